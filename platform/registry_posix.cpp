// POSIX half of platform/registry.h: the hive is a registry export file. It
// is read afresh at every Open, so that an open key sees the file as it was
// then, and a changed file or variable is seen by the next Open.

#include <string>
#include <utility>

#include "platform/files.h"
#include "platform/posix_path.h"
#include "platform/reg_file.h"
#include "platform/registry.h"

namespace j6::platform {

namespace {

// What Windows answers to a call without an open key, to a key path that
// starts with a backslash, and to a buffer without a size to go with it.
constexpr long kRegistryInvalidHandle = 6;
constexpr long kRegistryBadPathname = 161;
constexpr long kRegistryInvalidParameter = 87;

std::string RegistryFilePath() {
  std::string path = EnvironmentText("J6MAILER_REGISTRY");
  if (!path.empty()) return path;
  const std::string configHome = EnvironmentText("XDG_CONFIG_HOME");
  if (!configHome.empty()) return configHome + "/j6mailer/user.reg";
  return HomeDirectory() + "/.config/j6mailer/user.reg";
}

}  // namespace

UserRegistryKey::~UserRegistryKey() { Close(); }

long UserRegistryKey::Open(const char* keyPath) {
  Close();
  std::string path;
  if (!NormalizeKeyPath(keyPath != nullptr ? keyPath : "", &path)) return kRegistryBadPathname;
  // A missing or unreadable file is an empty hive.
  std::string bytes;
  if (!ReadWholeFile(RegistryFilePath(), &bytes)) bytes.clear();
  RegistryHive hive = ParseRegistryFile(bytes);
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
