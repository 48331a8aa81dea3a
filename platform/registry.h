// The current user's registry hive (HKEY_CURRENT_USER), read only.
#pragma once

#include <cstdint>

namespace j6::platform {

/// Results of a registry call, with their Windows numbers.
constexpr long kRegistrySuccess = 0;
constexpr long kRegistryFileNotFound = 2;
constexpr long kRegistryMoreData = 234;

/// Value types, with their Windows numbers.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

/// One open key under HKEY_CURRENT_USER, as RegOpenKeyA, RegQueryValueExA and
/// RegCloseKey see it. Off Windows the hive is a registry export file, read
/// again by the Open after it has changed: $J6MAILER_REGISTRY, else
/// $XDG_CONFIG_HOME/j6mailer/user.reg, else ~/.config/j6mailer/user.reg; a
/// missing file is an empty hive. Closed when destroyed.
class UserRegistryKey {
 public:
  UserRegistryKey() = default;
  ~UserRegistryKey();
  UserRegistryKey(const UserRegistryKey&) = delete;
  UserRegistryKey& operator=(const UserRegistryKey&) = delete;

  /// Opens `keyPath` (relative to HKEY_CURRENT_USER; a trailing backslash is
  /// accepted, names compare without regard to case), closing the key held
  /// before. Returns a registry result: kRegistrySuccess, kRegistryFileNotFound
  /// when there is no such key, or another failure (a leading backslash gives
  /// Windows' 161, ERROR_BAD_PATHNAME).
  long Open(const char* keyPath);

  /// Reads the value named `valueName` into `data`, which holds `*size`
  /// bytes. On success `*type` is the value's type and `*size` the number of
  /// bytes stored (a string's count includes the terminating zero it was
  /// stored with). kRegistryMoreData when the data does not fit (`data` is
  /// then left untouched, `*type` and `*size` are still set),
  /// kRegistryFileNotFound when there is no such value. A null `data` just
  /// reports type and size; a null or empty name is the default value.
  long Query(const char* valueName, std::uint32_t* type, unsigned char* data, std::uint32_t* size);

  /// Closes the key; a registry result. Closing a closed key does nothing.
  long Close();

 private:
  void* handle_ = nullptr;
};

}  // namespace j6::platform
