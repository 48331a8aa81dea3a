// Windows half of platform/files.h: the C runtime and the file API take the
// path as it is.
#include <windows.h>

#include "platform/files.h"

namespace j6::platform {

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool DeleteFileAt(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool RemoveFileIfPresent(const std::string& path) {
  if (DeleteFileA(path.c_str()) != 0) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool FileHasData(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) == 0) return false;
  // A device (a name such as COM1) reports neither size nor a folder.
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (data.nFileSizeHigh != 0 || data.nFileSizeLow != 0);
}

}  // namespace j6::platform
