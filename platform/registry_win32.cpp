// Windows half of platform/registry.h: the calls themselves. DWORD is not
// std::uint32_t to the compiler, so the counts pass through copies that start
// as the caller's, leaving the caller's untouched where Windows leaves them.
#include <windows.h>

#include <vector>

#include "platform/registry.h"

namespace j6::platform {

RegistryKey::~RegistryKey() { Close(); }

long RegistryKey::Open(const char* keyPath) {
  Close();
  HKEY key = nullptr;
  // The machine's hive is opened for reading only: a user may not write it.
  const LONG result = root_ == RegistryRoot::kLocalMachine
                          ? RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key)
                          : RegOpenKeyA(HKEY_CURRENT_USER, keyPath, &key);
  if (result == ERROR_SUCCESS) handle_ = key;
  return result;
}

long RegistryKey::Query(const char* valueName, std::uint32_t* type, unsigned char* data,
                        std::uint32_t* size) {
  DWORD valueType = type != nullptr ? *type : 0;
  DWORD count = size != nullptr ? *size : 0;
  const LONG result = RegQueryValueExA(static_cast<HKEY>(handle_), valueName, nullptr,
                                       type != nullptr ? &valueType : nullptr, data,
                                       size != nullptr ? &count : nullptr);
  if (type != nullptr) *type = valueType;
  if (size != nullptr) *size = count;
  return result;
}

std::vector<std::string> RegistryKey::SubkeyNames() const {
  std::vector<std::string> names;
  if (handle_ == nullptr) return names;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD size = sizeof name;
    if (RegEnumKeyExA(static_cast<HKEY>(handle_), index, name, &size, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(name, size);
  }
  return names;
}

long RegistryKey::Close() {
  if (handle_ == nullptr) return ERROR_SUCCESS;
  const LONG result = RegCloseKey(static_cast<HKEY>(handle_));
  handle_ = nullptr;
  return result;
}

std::string ExpandRegistryText(std::string_view text) {
  std::string source(text);
  const DWORD size = ExpandEnvironmentStringsA(source.c_str(), nullptr, 0);
  if (size == 0) return source;
  std::vector<char> expanded(size);
  const DWORD length = ExpandEnvironmentStringsA(source.c_str(), expanded.data(), size);
  if (length == 0 || length > size) return source;
  return std::string(expanded.data());
}

}  // namespace j6::platform
