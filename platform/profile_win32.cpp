// Windows half of platform/profile.h: the wide call, so that a file in a
// folder named with characters the ANSI code page lacks is found; the
// values come back as ANSI text, as the ANSI call gives them, but for a path
// setting, which comes back whole in UTF-8.
#include <windows.h>

#include <vector>

#include "platform/profile.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

namespace {

/// The value as GetPrivateProfileStringW gives it, cut to bufferSize - 1.
std::wstring ReadWide(const char* section, const char* key, const char* defaultText,
                      std::size_t bufferSize, const std::string& filePath) {
  std::vector<wchar_t> buffer(bufferSize, L'\0');
  const std::wstring wideSection = WideFrom(section, CP_ACP);
  const std::wstring wideKey = WideFrom(key, CP_ACP);
  const std::wstring wideDefault = WideFrom(defaultText != nullptr ? defaultText : "", CP_ACP);
  const DWORD length = GetPrivateProfileStringW(
      wideSection.c_str(), wideKey.c_str(), wideDefault.c_str(), buffer.data(),
      static_cast<DWORD>(buffer.size()), WideFromUtf8(filePath).c_str());
  return std::wstring(buffer.data(), length);
}

}  // namespace

std::string ReadProfileString(const char* section, const char* key, const char* defaultText,
                              std::size_t bufferSize, const std::string& filePath) {
  if (bufferSize == 0) return std::string();
  return NarrowTo(ReadWide(section, key, defaultText, bufferSize, filePath), CP_ACP);
}

bool ReadProfilePath(const char* section, const char* key, std::size_t maxCharacters,
                     const std::string& filePath, std::string* value) {
  // One character more than fits tells a path too long from one that fits.
  const std::wstring path = ReadWide(section, key, "", maxCharacters + 2, filePath);
  *value = path.size() <= maxCharacters ? Utf8FromWide(path) : std::string();
  return path.size() <= maxCharacters;
}

namespace {

/// What GetPrivateProfileStringW lists for a null section or key: names, each
/// ended by a zero. A list cut short by the buffer comes back as its size
/// less two, and is asked for again in a larger one.
std::vector<std::string> ListNames(const wchar_t* section, const std::string& filePath) {
  const std::wstring file = WideFromUtf8(filePath);
  for (DWORD size = 4096;; size *= 4) {
    std::vector<wchar_t> buffer(size, L'\0');
    const DWORD length =
        GetPrivateProfileStringW(section, nullptr, L"", buffer.data(), size, file.c_str());
    if (length + 2 >= size && size < (DWORD{1} << 24)) continue;
    std::vector<std::string> names;
    for (DWORD at = 0; at < length;) {
      const std::wstring name(buffer.data() + at);
      if (!name.empty()) names.push_back(NarrowTo(name, CP_ACP));
      at += static_cast<DWORD>(name.size()) + 1;
    }
    return names;
  }
}

}  // namespace

std::vector<std::string> ReadProfileSectionNames(const std::string& filePath) {
  return ListNames(nullptr, filePath);
}

std::vector<std::string> ReadProfileKeyNames(const char* section, const std::string& filePath) {
  return ListNames(WideFrom(section, CP_ACP).c_str(), filePath);
}

}  // namespace j6::platform
