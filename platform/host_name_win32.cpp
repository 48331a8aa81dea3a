// Windows half of platform/host_name.h: GetComputerNameExW.
#include <windows.h>

#include <string>

#include "platform/host_name.h"

namespace j6::platform {

std::string FullyQualifiedHostName() {
  wchar_t name[256] = {};
  DWORD size = 255;
  if (!GetComputerNameExW(ComputerNameDnsFullyQualified, name, &size)) return std::string();
  char text[1024] = {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size), text, 1023, nullptr, nullptr);
  return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace j6::platform
