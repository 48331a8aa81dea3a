#include "run/configuration.h"

#include <string>

#include "platform/ascii.h"
#include "platform/module_path.h"
#include "platform/profile.h"
#include "run/run_state.h"
#include "run/text.h"

namespace j6 {

namespace {

constexpr long kDefaultTimeout = 60;
constexpr long kLongestTimeout = 3600;

/// Reads one key of [SMTP] into its field; a value that does not fit is not
/// kept cut, and the key is named in `overlong`.
template <std::size_t N>
void ReadSmtpSetting(const std::string& path, const char* key, FixedString<N>* field,
                     SmtpSettings* smtp) {
  const std::string value = platform::ReadProfileString(kSmtpSection, key, "", N + 2, path);
  if (value.size() <= N) {
    field->Assign(value);
  } else if (smtp->overlong.empty()) {
    smtp->overlong.Assign(key);
  }
}

long TimeoutSeconds(const std::string& text) {
  if (text.empty() || text.size() > 4) return kDefaultTimeout;
  long seconds = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return kDefaultTimeout;
    seconds = seconds * 10 + (c - '0');
  }
  return seconds >= 1 && seconds <= kLongestTimeout ? seconds : kDefaultTimeout;
}

void LoadSmtpSettings(const std::string& path, SmtpSettings* smtp) {
  ReadSmtpSetting(path, "SERVER", &smtp->server, smtp);
  ReadSmtpSetting(path, "TLS", &smtp->tls, smtp);
  ReadSmtpSetting(path, "USER", &smtp->user, smtp);
  ReadSmtpSetting(path, "FROM", &smtp->from, smtp);
  ReadSmtpSetting(path, "CAFILE", &smtp->caFile, smtp);
  ReadSmtpSetting(path, "HELO", &smtp->helo, smtp);
  smtp->timeoutSeconds =
      TimeoutSeconds(platform::ReadProfileString(kSmtpSection, "TIMEOUT", "", 16, path));
}

}  // namespace

const char* ConfigFilePath(RunState& run) {
  if (!run.configPath.empty()) return run.configPath.c_str();
  // Without the executable's path the file is looked for in the current
  // folder: a bare name would have Windows look in its own folder. Windows
  // gives the path with backslashes; off Windows it is the host's, with
  // slashes.
  std::string path;
  if (platform::ModuleFileName(&path)) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos) path.resize(slash + 1);
  } else {
    path = ".\\";
  }
  path += kConfigFileName;
  if (path.size() <= run.configPath.kCapacity) run.configPath.Assign(path);
  return run.configPath.c_str();
}

void LoadConfiguration(RunState& run) {
  const std::string path = ConfigFilePath(run);
  if (path.empty()) return;
  // A log path too long for its field is not cut: the cut path would name
  // some other file.
  std::string log;
  if (platform::ReadProfilePath(kConfigSection, kLogFileKey, run.logFilePath.kCapacity, path,
                                &log)) {
    run.logFilePath.Assign(log);
  }
  run.mapiMode.Assign(
      platform::ReadProfileString(kConfigSection, kMapiKey, "", run.mapiMode.kCapacity + 1, path));
  LoadSmtpSettings(path, &run.smtp);
}

bool IsExtendedMapi(std::string_view mapiMode) {
  return platform::EqualsIgnoringAsciiCase(mapiMode, "EXTENDED");
}

bool IsSmtpMode(std::string_view mapiMode) {
  return platform::EqualsIgnoringAsciiCase(mapiMode, "SMTP");
}

}  // namespace j6
