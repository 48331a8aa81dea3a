// POSIX half of platform/registry.h: the hives are a registry export file. A
// run opens a dozen keys, so the file is parsed once and the hive kept for as
// long as the file stays the same; a changed file or variable is seen by the
// next Open, and an open key keeps the hive it was opened in. Each hive is
// parsed when a key of it is first opened: a run opens none of the machine's.

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "emulation/posix_file.h"
#include "emulation/posix_path.h"
#include "emulation/reg_file.h"
#include "platform/registry.h"

namespace j6::platform {

namespace {

// What Windows answers to a call without an open key, to a key path that
// starts with a backslash, and to a buffer without a size to go with it.
constexpr long kRegistryInvalidHandle = 6;
constexpr long kRegistryBadPathname = 161;
constexpr long kRegistryInvalidParameter = 87;

struct OpenKey {
  std::shared_ptr<const RegistryHive> hive;  // holds `values`
  const RegistryValues* values;
  std::string path;
};

/// The hive of the registry file as it is now. A missing or unreadable file
/// is an empty hive.
std::shared_ptr<const RegistryHive> CurrentHive(RegistryRoot root) {
  static const auto empty = std::make_shared<const RegistryHive>();
  static std::mutex lock;
  struct Cache {
    FileSnapshot file;
    std::shared_ptr<const RegistryHive> hive;
  };
  static Cache caches[2];

  const std::string path = PosixPath(RegistryFilePath());
  const std::lock_guard<std::mutex> guard(lock);
  Cache& cache = caches[root == RegistryRoot::kLocalMachine ? 1 : 0];
  std::string bytes;
  switch (cache.file.Refresh(path, &bytes)) {
    case FileSnapshot::Change::kUnreadable:
      cache.hive = nullptr;
      return empty;
    case FileSnapshot::Change::kNew:
      cache.hive = std::make_shared<const RegistryHive>(ParseRegistryFile(bytes, root));
      break;
    case FileSnapshot::Change::kNone:
      break;
  }
  return cache.hive;
}

}  // namespace

RegistryKey::~RegistryKey() { Close(); }

long RegistryKey::Open(const char* keyPath) {
  Close();
  std::string path;
  if (!NormalizeKeyPath(keyPath != nullptr ? keyPath : "", &path)) return kRegistryBadPathname;
  std::shared_ptr<const RegistryHive> hive = CurrentHive(root_);
  const RegistryValues* values = hive->Find(path);
  if (values == nullptr) return kRegistryFileNotFound;
  handle_ = new OpenKey{std::move(hive), values, path};
  return kRegistrySuccess;
}

long RegistryKey::Query(const char* valueName, std::uint32_t* type, unsigned char* data,
                        std::uint32_t* size) {
  const auto* key = static_cast<const OpenKey*>(handle_);
  if (key == nullptr) return kRegistryInvalidHandle;
  if (data != nullptr && size == nullptr) return kRegistryInvalidParameter;
  const RegistryValues& values = *key->values;
  const auto found = values.find(std::string_view(valueName != nullptr ? valueName : ""));
  if (found == values.end()) return kRegistryFileNotFound;
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

std::vector<std::string> RegistryKey::SubkeyNames() const {
  const auto* key = static_cast<const OpenKey*>(handle_);
  return key == nullptr ? std::vector<std::string>() : key->hive->SubkeyNames(key->path);
}

long RegistryKey::Close() {
  delete static_cast<OpenKey*>(handle_);
  handle_ = nullptr;
  return kRegistrySuccess;
}

std::string ExpandRegistryText(std::string_view text) {
  std::string expanded;
  while (!text.empty()) {
    const std::size_t open = text.find('%');
    const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    const std::string name(text.substr(open + 1, close - open - 1));
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    expanded += text.substr(0, open);
    expanded += value != nullptr ? std::string_view(value) : text.substr(open, close - open + 1);
    text.remove_prefix(close + 1);
  }
  expanded += text;
  return expanded;
}

}  // namespace j6::platform
