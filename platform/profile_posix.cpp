// POSIX half of platform/profile.h: a reader that follows the Windows rules
// for the files a user may carry over from a Windows desktop.
#include <string_view>

#include "platform/files.h"
#include "platform/line_reader.h"
#include "platform/profile.h"

namespace j6::platform {

namespace {

bool IsProfileSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsProfileSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsProfileSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

/// A value wrapped in a matching pair of quotes loses the pair.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

/// Finds the key in the first section of that name; false when either is
/// missing.
bool FindValue(std::string_view text, std::string_view section, std::string_view key,
               std::string_view* value) {
  LineReader lines(text);
  std::string_view line;
  bool inSection = false;
  while (lines.Next(&line)) {
    line = Trim(line);
    const std::size_t close = line.rfind(']');
    if (!line.empty() && line.front() == '[' && close != std::string_view::npos) {
      if (inSection) return false;  // only the first section of a name counts
      inSection = SameName(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (SameName(Trim(line.substr(0, equals)), key)) {
      *value = Unquote(Trim(line.substr(equals + 1)));
      return true;
    }
  }
  return false;
}

}  // namespace

std::string ReadProfileString(const char* section, const char* key, const char* defaultText,
                              std::size_t bufferSize, const std::string& filePath) {
  if (bufferSize == 0) return std::string();
  std::string text;
  std::string_view value;
  std::string result;
  if (ReadWholeFile(filePath, &text) && FindValue(text, Trim(section), Trim(key), &value)) {
    result.assign(value);
  } else {
    std::string_view fallback(defaultText != nullptr ? defaultText : "");
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    result.assign(fallback);
  }
  if (result.size() > bufferSize - 1) result.resize(bufferSize - 1);
  return result;
}

}  // namespace j6::platform
