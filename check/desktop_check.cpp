#include "check/desktop_check.h"

#include "check/configuration_check.h"
#include "check/library_check.h"
#include "check/route_check.h"
#include "check/settings_check.h"
#include "platform/files.h"
#include "platform/stand_ins.h"
#include "run/configuration.h"
#include "run/run_state.h"

namespace j6::check {

void CheckDesktop(std::string_view area, Report& report) {
  platform::RememberStartFolder();
  RunState run;
  CheckConfiguration(run, report);
  CheckLogFolder(run, report);
  CheckStandIns(platform::TheStandInPlaces(), report);
  if (CheckSettings(run, area, report)) CheckFolders(run, area, report);

  CheckTransferLibrary(ThisProgram(), report);
  RouteCheckOf(run.handOver).check(run, report);
}

}  // namespace j6::check
