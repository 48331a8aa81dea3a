// The registry, read only: the current user's hive (HKEY_CURRENT_USER), where
// the J6 settings are, and the machine's (HKEY_LOCAL_MACHINE), where mail
// clients are registered.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

/// The hives a key is opened in.
enum class RegistryRoot { kCurrentUser, kLocalMachine };

/// One open key, as RegOpenKeyA, RegQueryValueExA and RegCloseKey see it.
/// Off Windows both hives are the keys of one registry export file, read
/// again by the Open after it has changed: $J6MAILER_REGISTRY, else
/// $XDG_CONFIG_HOME/j6mailer/user.reg, else ~/.config/j6mailer/user.reg; a
/// missing file is an empty registry. Closed when destroyed.
class RegistryKey {
 public:
  explicit RegistryKey(RegistryRoot root = RegistryRoot::kCurrentUser) : root_(root) {}
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  /// Opens `keyPath` (relative to the root; a trailing backslash is
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

  /// The names of the keys right under the open key (RegEnumKeyExA); none
  /// when it is not open.
  std::vector<std::string> SubkeyNames() const;

  /// Closes the key; a registry result. Closing a closed key does nothing.
  long Close();

 private:
  RegistryRoot root_;
  void* handle_ = nullptr;
};

/// A REG_EXPAND_SZ text with each %NAME% replaced by that environment
/// variable, as ExpandEnvironmentStringsA does; a name that is not set stays
/// as written.
std::string ExpandRegistryText(std::string_view text);

}  // namespace j6::platform
