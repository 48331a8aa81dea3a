// POSIX half of platform/files.h: the same call on the mapped path.
#include "platform/files.h"
#include "platform/posix_path.h"

namespace j6::platform {

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(PosixPath(path).c_str(), mode);
}

}  // namespace j6::platform
