// Windows half of platform/profile.h.
#include <windows.h>

#include <vector>

#include "platform/profile.h"

namespace j6::platform {

std::string ReadProfileString(const char* section, const char* key, const char* defaultText,
                              std::size_t bufferSize, const std::string& filePath) {
  if (bufferSize == 0) return std::string();
  std::vector<char> buffer(bufferSize, '\0');
  const DWORD length =
      GetPrivateProfileStringA(section, key, defaultText, buffer.data(),
                               static_cast<DWORD>(buffer.size()), filePath.c_str());
  return std::string(buffer.data(), length);
}

}  // namespace j6::platform
