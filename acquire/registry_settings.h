// Reading the J6 client settings from the current user's registry, each read
// leaving one log line that says whether the value or its default was used.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "run/fixed_string.h"

namespace j6 {

/// What ReadRegistryString returns for a value that is absent or unreadable;
/// no registry type has this number.
constexpr long NOT_FOUND_MARKER = 671970;

/// The text a registry value name comes in and its data goes out in; also
/// the key path a setting is read from.
using RegistryText = FixedString<303>;

/// Reads the value named by `valueText` from the key `keyPath` under
/// HKEY_CURRENT_USER. On success `valueText` holds the data as text (up to
/// its first zero byte, whatever the value's type) and the value's type is
/// returned; otherwise `valueText` is empty and NOT_FOUND_MARKER returned.
/// Data of more than 129 bytes counts as absent.
long ReadRegistryString(const char* keyPath, RegistryText& valueText);

/// One setting as a run read it.
struct SettingRead {
  std::string keyPath;  // under HKEY_CURRENT_USER, as the log line names it
  std::string valueName;
  bool found = false;    // false: the default was taken
  std::string text;      // what the run took
  bool tooLong = false;  // a folder setting the run refuses, which ends it
};

namespace detail {
void NoteSetting(SettingRead read);
void NoteTooLong();
}  // namespace detail

/// While one lives, each setting read is also noted in it, in order: the
/// check program shows what a run would take without writing a log.
class SettingReads {
 public:
  SettingReads();
  ~SettingReads();
  SettingReads(const SettingReads&) = delete;
  SettingReads& operator=(const SettingReads&) = delete;

  const std::vector<SettingRead>& all() const { return reads_; }

 private:
  friend void detail::NoteSetting(SettingRead read);
  friend void detail::NoteTooLong();
  std::vector<SettingRead> reads_;
  SettingReads* outer_;
};

namespace detail {
/// Reads the setting; `*text` is the whole of the value's text, or the
/// default.
long LookUpSetting(const char* subKey, const char* valueName, const char* root,
                   const char* defaultText, RegistryText* keyPath, std::string* text);
void LogSetting(const char* keyPath, const char* valueName, long found, const char* destination);
void LogTooLong(const char* valueName);
}  // namespace detail

/// Reads `valueName` from the key `root` followed directly by `subKey` (may
/// be null) into `destination`, at most `maxLength` characters: the value's
/// text, or `defaultText` when the value is absent. Logs which of the two
/// was used. Returns what ReadRegistryString returned; `*wholeLength`, when
/// asked for, is the length of the text before it was cut to `maxLength`.
template <std::size_t N>
long ReadSetting(const char* subKey, const char* valueName, FixedString<N>& destination,
                 const char* root, const char* defaultText, std::size_t maxLength,
                 std::size_t* wholeLength = nullptr) {
  RegistryText keyPath;
  std::string text;
  const long found = detail::LookUpSetting(subKey, valueName, root, defaultText, &keyPath, &text);
  destination.Assign(std::string_view(text).substr(0, maxLength));
  detail::LogSetting(keyPath.c_str(), valueName, found, destination.c_str());
  if (wholeLength != nullptr) *wholeLength = text.size();
  return found;
}

/// ReadSetting for a setting that names a folder. A path cut short names
/// some other folder, so a value longer than `maxLength` is never used:
/// false, after the line "J6FTPara: <valueName> is too long".
template <std::size_t N>
bool ReadPathSetting(const char* subKey, const char* valueName, FixedString<N>& destination,
                     const char* root, const char* defaultText, std::size_t maxLength) {
  std::size_t wholeLength = 0;
  ReadSetting(subKey, valueName, destination, root, defaultText, maxLength, &wholeLength);
  if (wholeLength <= maxLength) return true;
  detail::LogTooLong(valueName);
  return false;
}

}  // namespace j6
