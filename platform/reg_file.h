// Off Windows, the current user's hive comes from a registry export file, the
// kind regedit writes and imports. This reads one into memory, with the rules
// regedit imports it by, holding the data as RegQueryValueExA returns them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace j6::platform {

/// Orders names as the registry compares them: without regard to case,
/// Windows-1252 letters included (the registry folds the Unicode names the
/// ANSI calls stand for).
struct RegistryNameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

/// A value as RegQueryValueExA returns it: its type number and its bytes, text
/// in Windows-1252 (a string's bytes end with the zero it was stored with).
struct RegistryValue {
  std::uint32_t type = 0;
  std::string data;
};

/// A key's values by name; the default value has the empty name.
using RegistryValues = std::map<std::string, RegistryValue, RegistryNameLess>;

/// Every key under HKEY_CURRENT_USER by its normalized path (see
/// NormalizeKeyPath). A key's ancestors are keys too, as in the registry.
using RegistryHive = std::map<std::string, RegistryValues, RegistryNameLess>;

/// The path the registry opens for `path`: its names joined by single
/// backslashes, without empty names (so a trailing backslash does not count;
/// the empty path is the root). False for a path with a leading backslash,
/// which the registry refuses.
bool NormalizeKeyPath(std::string_view path, std::string* normalized);

/// The HKEY_CURRENT_USER part of a registry export file (`bytes` as read from
/// disk: ANSI, or UTF-16LE after an FF FE mark). A file without a valid
/// header line gives an empty hive.
RegistryHive ParseRegistryFile(std::string_view bytes);

}  // namespace j6::platform
