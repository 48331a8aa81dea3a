#include "check/configuration_check.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "check/route_check.h"
#include "platform/ascii.h"
#include "platform/file_probe.h"
#include "platform/profile.h"
#include "run/configuration.h"

namespace j6::check {

namespace {

constexpr const char* kNoLog = "J6Mailer keeps no log";
constexpr std::uint64_t kMegabyte = std::uint64_t{1024} * 1024;
constexpr std::uint64_t kLowFreeSpace = 10 * kMegabyte;

bool Is(std::string_view name, const char* known) {
  return platform::EqualsIgnoringAsciiCase(name, known);
}

/// The section as kConfigKeys names it, when J6Mailer reads it; else null.
const char* SectionRead(std::string_view section) {
  for (const ConfigKey& row : kConfigKeys) {
    if (Is(section, row.section)) return row.section;
  }
  return nullptr;
}

/// Whether kConfigKeys has a row for the key of the section.
bool IsRead(const char* section, std::string_view key) {
  for (const ConfigKey& row : kConfigKeys) {
    if (Is(section, row.section) && Is(key, row.key)) return true;
  }
  return false;
}

/// The keys of a section J6Mailer reads: "LOGFILE and MAPI".
std::string KeysRead(const char* section) {
  std::string keys;
  for (const ConfigKey& row : kConfigKeys) {
    if (!Is(section, row.section)) continue;
    if (!keys.empty()) keys += " and ";
    keys += row.key;
  }
  return keys;
}

/// Warns of each key of the file's `section` that J6Mailer does not read.
void NameKeysNotRead(const std::string& path, const char* section, const std::string& besides,
                     Report& report) {
  for (const std::string& key : platform::ReadProfileKeyNames(section, path)) {
    if (key.empty() || key[0] == ';' || IsRead(section, key)) continue;
    std::string text = "key " + key + " of [" + section + "] is not read";
    report.Warn(text.append(besides));
  }
}

/// The route the MAPI setting chose.
void SayHandOver(const RunState& run, Report& report) {
  const std::string setting = kMapiKey + ("=" + std::string(run.mapiMode.view()));
  const RouteCheck& route = RouteCheckOf(run.handOver);
  if (run.handOver == HandOverKind::kUnknown) {
    report.Warn(setting + " is none of " + RouteNames() + ": " + route.says);
  } else {
    report.Ok(setting + ": " + route.says);
  }
}

/// Whether `bytes` hold UTF-8 text with letters beyond ASCII: each byte
/// above 127 in a whole sequence of UTF-8, at least one of them.
bool IsUtf8BeyondAscii(std::string_view bytes) {
  bool beyond = false;
  for (std::size_t at = 0; at < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                               : lead >= 0xE0                ? 3
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                                                             : 0;
    if (length == 0 || at + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[at + k]) & 0xC0) != 0x80) return false;
    }
    beyond = beyond || length > 1;
    at += length;
  }
  return beyond;
}

/// The file's encoding as Windows' profile reader takes it: the ANSI code
/// page, unless it begins with a UTF-16 byte-order mark.
void CheckEncoding(const std::string& path, Report& report) {
  std::string bytes;
  if (!platform::ReadFileStart(path, std::size_t{1} << 20, &bytes)) return;
  const std::string_view start(bytes);
  const std::string save = ": save it in Notepad as ANSI, or as \"UTF-16 LE\" (Unicode)";
  if (start.substr(0, 3) == "\xEF\xBB\xBF") {
    report.Warn("the configuration file " + path +
                " begins with a UTF-8 byte-order mark, which Windows does not skip: its first "
                "section is not found there" +
                save);
  } else if (start.substr(0, 2) != "\xFF\xFE" && start.substr(0, 2) != "\xFE\xFF" &&
             IsUtf8BeyondAscii(start)) {
    report.Warn("the configuration file " + path +
                " is UTF-8 text with letters beyond ASCII, which Windows reads in the ANSI code "
                "page as other letters" +
                save);
  }
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
  CheckEncoding(path, report);

  bool hasSection = false;
  std::vector<const char*> others;  // further sections J6Mailer reads, such as [SMTP]
  for (const std::string& section : platform::ReadProfileSectionNames(path)) {
    const char* read = SectionRead(section);
    if (read == nullptr) {
      report.Warn("section [" + section + "] of the configuration file is not read");
    } else if (Is(read, kConfigSection)) {
      hasSection = true;
    } else if (std::find(others.begin(), others.end(), read) == others.end()) {
      others.push_back(read);
    }
  }
  for (const char* section : others) NameKeysNotRead(path, section, "", report);
  if (!hasSection) {
    report.Warn(std::string("the configuration file has no [") + kConfigSection +
                "] section: J6Mailer keeps no log and uses Simple MAPI");
    return;
  }
  NameKeysNotRead(path, kConfigSection, " (only " + KeysRead(kConfigSection) + " are)", report);

  const std::string log(run.logFilePath.view());
  if (!log.empty()) {
    report.Ok(kLogFileKey + ("=" + log));
  } else if (platform::ReadProfileString(kConfigSection, kLogFileKey, "", 2, path).empty()) {
    report.Warn(std::string("no ") + kLogFileKey + ": " + kNoLog);
  } else {
    report.Warn(kLogFileKey + (" is longer than its " + std::to_string(run.logFilePath.kCapacity) +
                               " characters: " + kNoLog));
  }
  SayHandOver(run, report);
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
  CheckFreeSpace(hostFolder, "the log folder " + folder, "a run's log lines are lost", report);
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

void CheckFreeSpace(const std::string& hostFolder, const std::string& what, const std::string& loss,
                    Report& report) {
  std::uint64_t free = 0;
  if (platform::FreeSpaceOf(hostFolder, &free) && free < kLowFreeSpace) {
    report.Warn("only " + std::to_string(free / kMegabyte) + " MB free on the disk of " + what +
                ": once it is full " + loss);
  }
}

}  // namespace j6::check
