// Off Windows, the registry hives come from a registry export file, the
// kind regedit writes and imports. This reads one into memory, with the rules
// regedit imports it by, holding the data as RegQueryValueExA returns them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

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

/// Every key of one hive, with its values. The keys form a tree
/// of names, as in the registry, so that a key costs the length of its own
/// name, not of its whole path: a key thousands of levels deep is no harder
/// to read than a long value.
class RegistryHive {
 public:
  RegistryHive();

  /// The values of the key at `path` (normalized, see NormalizeKeyPath);
  /// null when there is no such key. The root, the empty path, is always
  /// there.
  const RegistryValues* Find(std::string_view path) const;
  /// The names of the keys right under the key at `path`, in order.
  std::vector<std::string> SubkeyNames(std::string_view path) const;
  /// The key at `path`, made with any of its ancestors that are missing.
  RegistryValues& Create(std::string_view path);
  /// Takes away the key at `path` and every key below it; not the root.
  void Delete(std::string_view path);
  /// Calls `visit` with the path and the values of every key, each parent
  /// before its children. For checks: it builds every path.
  void ForEach(
      const std::function<void(const std::string& path, const RegistryValues&)>& visit) const;

 private:
  struct Key {
    RegistryValues values;
    std::map<std::string, std::size_t, RegistryNameLess> subkeys;  // index in keys_
  };
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  /// The index of the key at `path`, or kNone.
  std::size_t Walk(std::string_view path) const;

  std::deque<Key> keys_;  // the root first; a deleted key stays here, out of reach
};

/// The path the registry opens for `path`: its names joined by single
/// backslashes, without empty names (so a trailing backslash does not count;
/// the empty path is the root). False for a path with a leading backslash,
/// which the registry refuses.
bool NormalizeKeyPath(std::string_view path, std::string* normalized);

/// The part of a registry export file under `root`'s key lines
/// ([HKEY_CURRENT_USER\...] or [HKEY_LOCAL_MACHINE\...]; `bytes` as read
/// from disk: ANSI, or UTF-16LE after an FF FE mark, read as Unicode text and
/// its names and texts turned into Windows-1252). A file without a valid
/// header line gives an empty hive. Time and memory are linear in the file's
/// size.
RegistryHive ParseRegistryFile(std::string_view bytes,
                               RegistryRoot root = RegistryRoot::kCurrentUser);

}  // namespace j6::platform
