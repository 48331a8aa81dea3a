// Windows only: text between the wide API and the program's 8-bit texts.
#pragma once

#include <windows.h>

#include <string>

namespace j6::platform {

inline std::wstring WideFrom(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  }
  return wide;
}

inline std::string NarrowTo(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return std::string();
  const int length = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                        length, nullptr, nullptr);
  }
  return text;
}

inline std::string Utf8FromWide(const std::wstring& wide) { return NarrowTo(wide, CP_UTF8); }
inline std::wstring WideFromUtf8(const std::string& text) { return WideFrom(text, CP_UTF8); }

}  // namespace j6::platform
