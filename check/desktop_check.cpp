#include "check/desktop_check.h"

#include "check/configuration_check.h"
#include "check/graph_check.h"
#include "check/library_check.h"
#include "check/mail_client_check.h"
#include "check/settings_check.h"
#include "check/smtp_check.h"
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
  const platform::StandInPlaces places = platform::TheStandInPlaces();
  CheckStandIns(places, report);
  if (CheckSettings(run, area, report)) CheckFolders(run, area, report);

  const Program program = ThisProgram();
  CheckTransferLibrary(program, report);
  bool extended = false;
  switch (run.handOver) {
    case HandOverKind::kSmtp:
      CheckSmtp(run, report);  // no mail client takes part
      return;
    case HandOverKind::kGraph:
      CheckGraph(run, report);
      return;
    case HandOverKind::kExtended:
      extended = true;
      CheckExtendedMapi(program, report);
      break;
    case HandOverKind::kSimple:
    case HandOverKind::kUnknown:
      CheckSimpleMapi(program, report);
      break;
  }
  CheckMailClient(program, extended, !places.registryFile.empty(), report);
}

}  // namespace j6::check
