// POSIX half of platform/files.h: the same calls on the mapped path.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/posix_path.h"

namespace j6::platform {

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(PosixPath(path).c_str(), mode);
}

bool DeleteFileAt(const std::string& path) { return unlink(PosixPath(path).c_str()) == 0; }

bool RemoveFileIfPresent(const std::string& path) {
  const std::string mapped = PosixPath(path);
  if (unlink(mapped.c_str()) == 0) return true;
  // ENOTDIR: a part of the path is a file, so nothing can lie at it.
  return errno == ENOENT || errno == ENOTDIR;
}

bool FileHasData(const std::string& path) {
  struct stat info {};
  return stat(PosixPath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

}  // namespace j6::platform
