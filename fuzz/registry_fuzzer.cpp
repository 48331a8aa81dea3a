// The registry export file off Windows: the input is the file. It is parsed
// in memory, then written where $J6MAILER_REGISTRY points, and the keys the
// parse produced are opened and their values queried as the program does,
// through the registry calls and through the program's own ReadRegistryString.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "acquire/registry_settings.h"
#include "emulation/reg_file.h"
#include "fuzz/fuzz_support.h"
#include "platform/registry.h"

namespace {

using j6::fuzz::Require;
using j6::platform::RegistryHive;
using j6::platform::RegistryKey;
using j6::platform::RegistryValue;
using j6::platform::RegistryValues;

// A run looks at a few keys and values, so that it stays quick.
constexpr std::size_t kKeysOpened = 6;
constexpr std::size_t kValuesQueried = 16;
constexpr std::size_t kValuesReadAsSettings = 4;
constexpr std::uint32_t kSettingBuffer = 129;  // what ReadRegistryString reads into
constexpr unsigned char kCanary = 0xA5;
constexpr std::size_t kGuard = 8;

const std::string& RegistryPath() {
  static const std::string path = [] {
    std::string file = j6::fuzz::ScratchFolder() + "/user.reg";
    j6::fuzz::SetEnvironment("J6MAILER_REGISTRY", file);
    return file;
  }();
  return path;
}

bool HasZero(std::string_view text) { return text.find('\0') != std::string_view::npos; }

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

/// The hive as the file gives it: keys in normal form, each found by its
/// path, with every ancestor, texts ending with the zero they are stored with
/// (an empty text, as "hex(1):" gives, has none).
void CheckHive(const RegistryHive& hive) {
  hive.ForEach([&hive](const std::string& path, const RegistryValues& values) {
    std::string normalized;
    Require(j6::platform::NormalizeKeyPath(path, &normalized) && normalized == path,
            "a key path not in normal form");
    Require(hive.Find(path) == &values, "a key not found by its path");
    for (std::size_t slash = path.find('\\'); slash != std::string::npos;
         slash = path.find('\\', slash + 1)) {
      Require(hive.Find(path.substr(0, slash)) != nullptr, "a key without its parent key");
    }
    for (const auto& [name, value] : values) {
      const bool text = value.type == j6::platform::kRegSz ||
                        value.type == j6::platform::kRegExpandSz ||
                        value.type == j6::platform::kRegMultiSz;
      if (text && !value.data.empty()) {
        Require(value.data.back() == '\0', "a text value without its terminating zero");
      }
    }
  });
}

/// One query into a buffer of `capacity` bytes, with guard bytes behind it.
void QueryInto(RegistryKey& key, const std::string& name, const RegistryValue& value,
               std::uint32_t capacity) {
  std::vector<unsigned char> buffer(capacity + kGuard, kCanary);
  std::uint32_t type = 0xDEAD;
  std::uint32_t size = capacity;
  const long result = key.Query(name.c_str(), &type, buffer.data(), &size);
  const auto needed = static_cast<std::uint32_t>(value.data.size());
  Require(type == value.type, "a query gave another type");
  Require(size == needed, "a query gave another size");
  if (needed > capacity) {
    Require(result == j6::platform::kRegistryMoreData, "data larger than the buffer fitted");
    Require(std::all_of(buffer.begin(), buffer.end(), [](unsigned char c) { return c == kCanary; }),
            "a query that did not fit touched the buffer");
    return;
  }
  Require(result == j6::platform::kRegistrySuccess, "data that fit were refused");
  Require(size <= capacity, "more data than the buffer holds");
  Require(std::equal(value.data.begin(), value.data.end(), buffer.begin(),
                     [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; }),
          "a query gave other data");
  Require(std::all_of(buffer.begin() + needed, buffer.end(),
                      [](unsigned char c) { return c == kCanary; }),
          "a query wrote past its data");
}

/// The program's own read of a setting: the data up to the first zero, or
/// nothing at all when they are more than 129 bytes.
void ReadAsSetting(const std::string& path, const std::string& name, const RegistryValue& value) {
  if (name.size() > j6::RegistryText::kCapacity || value.type == j6::NOT_FOUND_MARKER) return;
  j6::RegistryText text(name);
  const long found = j6::ReadRegistryString(path.c_str(), text);
  if (value.data.size() > kSettingBuffer) {
    Require(found == j6::NOT_FOUND_MARKER && text.empty(), "an overlong value read as a setting");
    return;
  }
  Require(found == static_cast<long>(value.type), "a setting read with another type");
  const std::string_view data(value.data);
  Require(text.view() == data.substr(0, data.find('\0')), "a setting read with other data");
}

void CheckValues(RegistryKey& key, const std::string& path, const RegistryValues& values,
                 bool asSettings) {
  std::size_t queried = 0;
  for (const auto& [name, value] : values) {
    if (HasZero(name)) continue;  // cannot be named through the calls
    if (queried == kValuesQueried) break;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    Require(key.Query(name.c_str(), &type, nullptr, &size) == j6::platform::kRegistrySuccess,
            "a value of the file not found");
    const auto needed = static_cast<std::uint32_t>(value.data.size());
    Require(type == value.type && size == needed, "a size query gave another type or size");
    if (needed > 0) QueryInto(key, name, value, needed - 1);
    QueryInto(key, name, value, needed);
    QueryInto(key, name, value, needed + 1);
    QueryInto(key, name, value, kSettingBuffer);
    if (asSettings && queried < kValuesReadAsSettings) ReadAsSetting(path, name, value);
    ++queried;
  }
  const std::string absent = "\x01no such value";
  if (values.count(absent) == 0) {
    std::uint32_t size = 0;
    Require(
        key.Query(absent.c_str(), nullptr, nullptr, &size) == j6::platform::kRegistryFileNotFound,
        "a value not in the file was found");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const RegistryHive hive = j6::platform::ParseRegistryFile(bytes);
  CheckHive(hive);

  j6::fuzz::WriteFile(RegistryPath(), bytes);
  std::vector<std::pair<std::string, const RegistryValues*>> keys;
  hive.ForEach([&keys](const std::string& path, const RegistryValues& values) {
    if (!HasZero(path) && keys.size() < kKeysOpened) keys.emplace_back(path, &values);
  });
  for (const auto& [path, values] : keys) {
    RegistryKey key;
    Require(key.Open(path.c_str()) == j6::platform::kRegistrySuccess,
            "a key of the file not found");
    CheckValues(key, path, *values, true);
    // Another case and a trailing backslash name the same key.
    RegistryKey same;
    const std::string other = path.empty() ? path : AsciiUpper(path) + "\\";
    Require(same.Open(other.c_str()) == j6::platform::kRegistrySuccess,
            "a key not found under another case");
    CheckValues(same, path, *values, false);
    Require(key.Close() == j6::platform::kRegistrySuccess &&
                key.Close() == j6::platform::kRegistrySuccess,
            "closing a key twice failed");
    const std::string child = path + (path.empty() ? "" : "\\") + "\x01no such key";
    if (hive.Find(child) == nullptr) {
      Require(key.Open(child.c_str()) == j6::platform::kRegistryFileNotFound,
              "a key not in the file was found");
    }
  }
  RegistryKey root;
  Require(root.Open("") == j6::platform::kRegistrySuccess, "the root key is missing");
  Require(root.Open("\\Software") == 161, "a leading backslash was accepted");
  return 0;
}
