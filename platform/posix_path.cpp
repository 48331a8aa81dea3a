#include "platform/posix_path.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace j6::platform {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string WithSlashes(std::string_view path) {
  std::string result(path);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

/// Joins a folder and the rest of a path with exactly one slash between them.
std::string Under(std::string folder, std::string_view rest) {
  std::string tail = WithSlashes(rest);
  if (!tail.empty() && tail.front() != '/') folder += '/';
  return folder + tail;
}

}  // namespace

std::string EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string HomeDirectory() {
  std::string home = EnvironmentText("HOME");
  if (home.empty()) {
    const passwd* entry = getpwuid(getuid());
    if (entry != nullptr && entry->pw_dir != nullptr) home = entry->pw_dir;
  }
  return home;
}

std::string DrivesRoot() {
  std::string root = EnvironmentText("J6MAILER_DRIVES");
  if (!root.empty()) return root;
  const std::string dataHome = EnvironmentText("XDG_DATA_HOME");
  if (!dataHome.empty()) return dataHome + "/j6mailer/drives";
  return HomeDirectory() + "/.local/share/j6mailer/drives";
}

std::string PosixPath(std::string_view windowsPath) {
  if (windowsPath.size() >= 2 && windowsPath[0] == '\\' && windowsPath[1] == '\\') {
    return Under(DrivesRoot() + "/unc", windowsPath.substr(2));
  }
  if (windowsPath.size() >= 2 && IsAsciiLetter(windowsPath[0]) && windowsPath[1] == ':') {
    const char letter = static_cast<char>(windowsPath[0] | 0x20);
    return Under(DrivesRoot() + "/" + letter, windowsPath.substr(2));
  }
  return WithSlashes(windowsPath);
}

}  // namespace j6::platform
