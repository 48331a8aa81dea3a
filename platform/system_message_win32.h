// Windows only: the system's words for an error number, for an error text.
#pragma once

#include <windows.h>

#include <string>

namespace j6::platform {

/// The system's text for an error, with its number.
inline std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message(text != nullptr ? text : "", length);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return (message.empty() ? "error" : message) + " (" + std::to_string(code) + ")";
}

}  // namespace j6::platform
