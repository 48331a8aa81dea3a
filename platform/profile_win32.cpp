// Windows half of platform/profile.h: the wide call, so that a file in a
// folder named with characters the ANSI code page lacks is found; the
// values come back as ANSI text, as the ANSI call gives them.
#include <windows.h>

#include <vector>

#include "platform/profile.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

std::string ReadProfileString(const char* section, const char* key, const char* defaultText,
                              std::size_t bufferSize, const std::string& filePath) {
  if (bufferSize == 0) return std::string();
  std::vector<wchar_t> buffer(bufferSize, L'\0');
  const std::wstring wideSection = WideFrom(section, CP_ACP);
  const std::wstring wideKey = WideFrom(key, CP_ACP);
  const std::wstring wideDefault = WideFrom(defaultText != nullptr ? defaultText : "", CP_ACP);
  const DWORD length = GetPrivateProfileStringW(
      wideSection.c_str(), wideKey.c_str(), wideDefault.c_str(), buffer.data(),
      static_cast<DWORD>(buffer.size()), WideFromUtf8(filePath).c_str());
  return NarrowTo(std::wstring(buffer.data(), length), CP_ACP);
}

}  // namespace j6::platform
