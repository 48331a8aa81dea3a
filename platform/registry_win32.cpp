// Windows half of platform/registry.h: the calls themselves. DWORD is not
// std::uint32_t to the compiler, so the counts pass through copies that start
// as the caller's, leaving the caller's untouched where Windows leaves them.
#include <windows.h>

#include "platform/registry.h"

namespace j6::platform {

UserRegistryKey::~UserRegistryKey() { Close(); }

long UserRegistryKey::Open(const char* keyPath) {
  Close();
  HKEY key = nullptr;
  const LONG result = RegOpenKeyA(HKEY_CURRENT_USER, keyPath, &key);
  if (result == ERROR_SUCCESS) handle_ = key;
  return result;
}

long UserRegistryKey::Query(const char* valueName, std::uint32_t* type, unsigned char* data,
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

long UserRegistryKey::Close() {
  if (handle_ == nullptr) return ERROR_SUCCESS;
  const LONG result = RegCloseKey(static_cast<HKEY>(handle_));
  handle_ = nullptr;
  return result;
}

}  // namespace j6::platform
