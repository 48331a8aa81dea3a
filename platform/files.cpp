// The portable part of platform/files.h.
#include "platform/files.h"

namespace j6::platform {

bool AppendToFile(const std::string& path, std::string_view bytes) {
  std::FILE* file = OpenFile(path, "ab");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace j6::platform
