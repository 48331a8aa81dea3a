// The portable part of platform/files.h.
#include "platform/files.h"

namespace j6::platform {

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::FILE* file = OpenFile(path, "rb");
  if (file == nullptr) return false;
  char chunk[4096];
  std::size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->append(chunk, count);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

}  // namespace j6::platform
