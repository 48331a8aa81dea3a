#include "check/configuration_check.h"

#include <string>

#include "platform/ascii.h"
#include "platform/file_probe.h"
#include "platform/profile.h"
#include "run/configuration.h"

namespace j6::check {

namespace {

constexpr const char* kNoLog = "J6Mailer keeps no log";

bool Is(std::string_view name, const char* known) {
  return platform::EqualsIgnoringAsciiCase(name, known);
}

/// Whether the path names its folder from a root: a relative one is taken
/// from whatever folder the host starts J6Mailer in.
bool IsRooted(std::string_view path) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  return (!path.empty() && separator(path[0])) ||
         (path.size() >= 3 && path[1] == ':' && separator(path[2]));
}

}  // namespace

void CheckConfiguration(RunState& run, Report& report) {
  const std::string path = ConfigFilePath(run);
  LoadConfiguration(run);
  if (path.empty()) {
    report.Warn(
        "the program's folder is too deep for the configuration file's path: J6Mailer "
        "reads none, keeps no log and uses Simple MAPI");
    return;
  }
  if (platform::KindOfPath(path) == platform::PathKind::kNothing) {
    report.Warn("no configuration file " + path + ": J6Mailer keeps no log and uses Simple MAPI");
    return;
  }
  // J6Mailer reads a file it cannot read (or a folder) as no file at all,
  // but here someone meant it to be read.
  std::string start;
  if (!platform::ReadFileStart(path, 1, &start)) {
    report.Fail("configuration file " + path +
                " cannot be read: J6Mailer keeps no log and uses Simple MAPI");
    return;
  }
  report.Ok("configuration file " + path);

  bool hasSection = false;
  bool hasSmtp = false;
  for (const std::string& section : platform::ReadProfileSectionNames(path)) {
    if (Is(section, kConfigSection)) {
      hasSection = true;
    } else if (Is(section, kSmtpSection)) {
      hasSmtp = true;
    } else {
      report.Warn("section [" + section + "] of the configuration file is not read");
    }
  }
  if (hasSmtp) {
    for (const std::string& key : platform::ReadProfileKeyNames(kSmtpSection, path)) {
      if (key.empty() || key[0] == ';') continue;
      bool known = false;
      for (const char* smtpKey : kSmtpKeys) known = known || Is(key, smtpKey);
      if (!known) {
        report.Warn("key " + key + " of [" + kSmtpSection + "] is not read");
      }
    }
  }
  if (!hasSection) {
    report.Warn(std::string("the configuration file has no [") + kConfigSection +
                "] section: J6Mailer keeps no log and uses Simple MAPI");
    return;
  }
  for (const std::string& key : platform::ReadProfileKeyNames(kConfigSection, path)) {
    if (key.empty() || key[0] == ';' || Is(key, kLogFileKey) || Is(key, kMapiKey)) continue;
    report.Warn("key " + key + " of [" + kConfigSection + "] is not read (only " + kLogFileKey +
                " and " + kMapiKey + " are)");
  }

  const std::string log(run.logFilePath.view());
  if (!log.empty()) {
    report.Ok(kLogFileKey + ("=" + log));
  } else if (platform::ReadProfileString(kConfigSection, kLogFileKey, "", 2, path).empty()) {
    report.Warn(std::string("no ") + kLogFileKey + ": " + kNoLog);
  } else {
    report.Warn(kLogFileKey + (" is longer than its " + std::to_string(run.logFilePath.kCapacity) +
                               " characters: " + kNoLog));
  }
  const std::string mapi(run.mapiMode.view());
  const std::string setting = kMapiKey + ("=" + mapi);
  if (IsExtendedMapi(mapi)) {
    report.Ok(setting + ": mail goes through the Extended wrapper");
  } else if (IsSmtpMode(mapi)) {
    report.Ok(setting + ": mail goes to the server of [" + kSmtpSection + "]");
  } else if (mapi.empty() || Is(mapi, "SIMPLE")) {
    report.Ok(setting + ": mail goes through Simple MAPI");
  } else {
    report.Warn(setting + " is neither EXTENDED nor SMTP: mail goes through Simple MAPI");
  }
}

void CheckLogFolder(const RunState& run, Report& report) {
  const std::string log(run.logFilePath.view());
  if (log.empty()) return;
  if (!IsRooted(log)) {
    report.Warn(kLogFileKey + (" " + log) +
                " is relative: the log lies in whatever folder the host starts J6Mailer in");
  }
  const std::size_t cut = log.find_last_of("\\/");
  const std::string folder = cut == std::string::npos ? std::string(".") : log.substr(0, cut + 1);
  // Held as the run holds it (on Windows UTF-8), and looked at where the run
  // appends.
  const std::string hostFolder = platform::HostPathOfProfilePath(folder);
  std::string why;
  if (platform::KindOfPath(hostFolder) != platform::PathKind::kFolder) {
    report.Fail("log folder " + folder + " does not exist: " + kNoLog);
    return;
  }
  if (!platform::CanCreateFileIn(hostFolder, &why)) {
    report.Fail("no file can be made in the log folder " + folder + " (" + why + "): " + kNoLog);
    return;
  }
  report.Ok("log folder " + folder + " takes new files");
  const std::string hostLog = platform::HostPathOfProfilePath(log);
  switch (platform::KindOfPath(hostLog)) {
    case platform::PathKind::kFolder:
      report.Fail("log file " + log + " is a folder: " + kNoLog);
      break;
    case platform::PathKind::kFile:
      if (platform::CanAppendTo(hostLog, &why)) {
        report.Ok("log file " + log + " can be appended to");
      } else {
        report.Fail("log file " + log + " cannot be written (" + why + "): " + kNoLog);
      }
      break;
    case platform::PathKind::kNothing:
      break;  // the first run makes it
  }
}

}  // namespace j6::check
