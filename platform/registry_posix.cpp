// POSIX half of platform/registry.h: the hive is a registry export file. It
// is read afresh at every Open, so that an open key sees the file as it was
// then, and a changed file or variable is seen by the next Open.
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/reg_file.h"
#include "platform/registry.h"

namespace j6::platform {

namespace {

// What Windows answers to a call without an open key, to a key path that
// starts with a backslash, and to a buffer without a size to go with it.
constexpr long kRegistryInvalidHandle = 6;
constexpr long kRegistryBadPathname = 161;
constexpr long kRegistryInvalidParameter = 87;

std::string NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string RegistryFilePath() {
  std::string path = NonEmptyEnv("J6MAILER_REGISTRY");
  if (!path.empty()) return path;
  const std::string configHome = NonEmptyEnv("XDG_CONFIG_HOME");
  if (!configHome.empty()) return configHome + "/j6mailer/user.reg";
  std::string home = NonEmptyEnv("HOME");
  if (home.empty()) {
    const passwd* entry = getpwuid(getuid());
    if (entry != nullptr && entry->pw_dir != nullptr) home = entry->pw_dir;
  }
  return home + "/.config/j6mailer/user.reg";
}

/// The file's bytes; nothing when it is missing or cannot be read, which is
/// an empty registry.
std::string ReadRegistryFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::string();
  std::string bytes;
  char chunk[4096];
  std::size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, count);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok ? bytes : std::string();
}

}  // namespace

UserRegistryKey::~UserRegistryKey() { Close(); }

long UserRegistryKey::Open(const char* keyPath) {
  Close();
  std::string path;
  if (!NormalizeKeyPath(keyPath != nullptr ? keyPath : "", &path)) return kRegistryBadPathname;
  RegistryHive hive = ParseRegistryFile(ReadRegistryFile(RegistryFilePath()));
  const auto found = hive.find(path);
  if (found != hive.end()) {
    handle_ = new RegistryValues(std::move(found->second));
  } else if (path.empty()) {
    handle_ = new RegistryValues();  // the root is there even in an empty hive
  } else {
    return kRegistryFileNotFound;
  }
  return kRegistrySuccess;
}

long UserRegistryKey::Query(const char* valueName, std::uint32_t* type, unsigned char* data,
                            std::uint32_t* size) {
  const auto* values = static_cast<const RegistryValues*>(handle_);
  if (values == nullptr) return kRegistryInvalidHandle;
  if (data != nullptr && size == nullptr) return kRegistryInvalidParameter;
  const auto found = values->find(std::string_view(valueName != nullptr ? valueName : ""));
  if (found == values->end()) return kRegistryFileNotFound;
  const RegistryValue& value = found->second;
  const auto needed = static_cast<std::uint32_t>(value.data.size());
  long result = kRegistrySuccess;
  if (data != nullptr) {
    if (needed > *size) {
      result = kRegistryMoreData;
    } else {
      std::copy(value.data.begin(), value.data.end(), data);
    }
  }
  // Windows reports both also when the data do not fit.
  if (type != nullptr) *type = value.type;
  if (size != nullptr) *size = needed;
  return result;
}

long UserRegistryKey::Close() {
  delete static_cast<RegistryValues*>(handle_);
  handle_ = nullptr;
  return kRegistrySuccess;
}

}  // namespace j6::platform
