// POSIX half of platform/files.h: the same calls on the mapped path.
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/posix_path.h"

namespace j6::platform {

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(PosixPath(path).c_str(), mode);
}

bool DeleteFileAt(const std::string& path) { return unlink(PosixPath(path).c_str()) == 0; }

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(PosixPath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace j6::platform
