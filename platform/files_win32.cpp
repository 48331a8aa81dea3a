// Windows half of platform/files.h: the C runtime takes the path as it is.
#include "platform/files.h"

namespace j6::platform {

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

}  // namespace j6::platform
