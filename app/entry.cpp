#include "app/entry.h"

#include <string>

#include "app/area_lock.h"
#include "app/run_mailer.h"
#include "platform/files.h"
#include "run/configuration.h"
#include "run/run_log.h"
#include "run/warning.h"

namespace j6 {

bool IsHelpRequest(std::string_view areaName) {
  return areaName.empty() || (areaName.size() >= 2 && (areaName[1] == '?' || areaName[1] == 'h'));
}

int MailerMain(std::string_view areaName) {
  platform::RememberStartFolder();
  RunState run;
  LoadConfiguration(run);
  SetRunLogFile(run.logFilePath.view());
  const std::string area(areaName);
  LogLine("%s", kLogRule);
  LogLine("J6Mailer %s", area.c_str());
  platform::NamedLock lock;  // held to the last log line
  if (IsHelpRequest(areaName)) {
    LogLine("Visualizza Help");
    ShowWarning("Specificare Area J6");
  } else if (LockArea(area, &lock, kAreaWaitMilliseconds)) {
    RunMailer(run, area);
  } else {
    ShowTransferError();
  }
  LogLine("J6Mailer: End");
  LogLine("%s", kLogRule);
  return 0;
}

}  // namespace j6
