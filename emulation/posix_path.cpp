#include "emulation/posix_path.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace j6::platform {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string WithSlashes(std::string_view path) {
  std::string result(path);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

/// `rest` below `root`, resolved as Windows resolves a full path: empty and
/// "." names drop out and ".." takes away the name before it, but never
/// climbs above the root. A trailing separator is kept.
std::string Under(const std::string& root, std::string_view rest) {
  std::vector<std::string_view> names;
  std::string_view tail = rest;
  while (!tail.empty()) {
    std::size_t end = 0;
    while (end < tail.size() && !IsSeparator(tail[end])) ++end;
    const std::string_view name = tail.substr(0, end);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    tail.remove_prefix(end < tail.size() ? end + 1 : end);
  }
  std::string path = root;
  for (const std::string_view name : names) {
    path += '/';
    path += name;
  }
  if (!rest.empty() && IsSeparator(rest.back()) && !names.empty()) path += '/';
  return path;
}

/// The mapped path of a path with a drive, a share or a Windows root; false
/// for a relative one. `slashRoots`: whether a leading slash roots it too.
bool MapRooted(std::string_view path, bool slashRoots, std::string* mapped) {
  const bool rooted = !path.empty() && (path[0] == '\\' || (slashRoots && path[0] == '/'));
  if (rooted && path.size() >= 2 && IsSeparator(path[1])) {
    // \\server\share: the share is the root that ".." cannot leave.
    std::string_view rest = path.substr(2);
    std::string root = DrivesRoot() + "/unc";
    for (int part = 0; part < 2 && !rest.empty(); ++part) {
      std::size_t end = 0;
      while (end < rest.size() && !IsSeparator(rest[end])) ++end;
      // A server or share named "." or ".." must not step out of unc/.
      const std::string_view name = rest.substr(0, end);
      root += '/';
      root += (name == "." || name == "..") ? std::string_view("_") : name;
      rest.remove_prefix(end < rest.size() ? end + 1 : end);
    }
    *mapped = Under(root, rest);
    return true;
  }
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    const char letter = static_cast<char>(path[0] | 0x20);
    *mapped = Under(DrivesRoot() + "/" + letter, path.substr(2));
    return true;
  }
  if (rooted) {
    *mapped = Under(DrivesRoot() + "/c", path.substr(1));
    return true;
  }
  return false;
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

namespace {

/// The variable `overrideName` when set; else `tail` under the XDG base
/// folder `xdgName`, or under its default `xdgDefault` in the home folder.
std::string UserPath(const char* overrideName, const char* xdgName, const char* xdgDefault,
                     const char* tail) {
  std::string path = EnvironmentText(overrideName);
  if (!path.empty()) return path;
  const std::string base = EnvironmentText(xdgName);
  return (!base.empty() ? base : HomeDirectory() + xdgDefault) + tail;
}

}  // namespace

std::string DrivesRoot() {
  return UserPath("J6MAILER_DRIVES", "XDG_DATA_HOME", "/.local/share", "/j6mailer/drives");
}

std::string RegistryFilePath() {
  return UserPath("J6MAILER_REGISTRY", "XDG_CONFIG_HOME", "/.config", "/j6mailer/user.reg");
}

std::string OutboxFolder() {
  return UserPath("J6MAILER_OUTBOX", "XDG_DATA_HOME", "/.local/share", "/j6mailer/outbox");
}

std::string SecretsFolder() {
  return UserPath("J6MAILER_SECRETS", "XDG_DATA_HOME", "/.local/share", "/j6mailer/secrets");
}

std::string PosixPath(std::string_view windowsPath) {
  std::string mapped;
  if (MapRooted(windowsPath, false, &mapped)) return mapped;
  return WithSlashes(windowsPath);
}

std::string ForeignPosixPath(std::string_view windowsPath) {
  std::string mapped;
  if (MapRooted(windowsPath, true, &mapped)) return mapped;
  // The server's current folder is taken to be the root of its drive C.
  return Under(DrivesRoot() + "/c", windowsPath);
}

}  // namespace j6::platform
