#include "app/area_lock.h"

#include "acquire/area_file.h"
#include "mail/percent_encoded.h"
#include "run/run_log.h"
#include "run/text.h"

namespace j6 {

namespace {

bool KeptInLockName(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
         static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

std::string AreaLockName(std::string_view areaName) {
  std::string_view name = AreaFileName(areaName);
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.remove_suffix(1);
  std::string upper(name);
  for (char& c : upper) c = UpperCaseAnsi(c);
  return "area-" + mail::PercentEncoded(upper, KeptInLockName);
}

bool LockArea(std::string_view areaName, platform::NamedLock* lock,
              std::uint32_t waitMilliseconds) {
  const std::string area(areaName);
  platform::NamedLock::Outcome outcome = platform::NamedLock::kFailed;
  if (lock->Open(AreaLockName(areaName))) {
    outcome = lock->Take(0);
    if (outcome == platform::NamedLock::kBusy) {
      LogLine("J6Mailer: waiting for the run of %s", area.c_str());
      outcome = lock->Take(waitMilliseconds);
    }
  }
  switch (outcome) {
    case platform::NamedLock::kTaken:
      return true;
    case platform::NamedLock::kBusy:
      LogLine("J6Mailer: area %s is busy", area.c_str());
      return false;
    default:
      // Without the lock two runs could mail each other's document.
      LogLine("J6Mailer: cannot lock area %s: %s", area.c_str(), lock->error().c_str());
      return false;
  }
}

}  // namespace j6
