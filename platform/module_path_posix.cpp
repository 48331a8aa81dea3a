// POSIX half of platform/module_path.h: /proc/self/exe.
#include <unistd.h>

#include <vector>

#include "platform/module_path.h"
#include "platform/native.h"

namespace j6::platform {

bool native::ModuleFileName(std::string* path) {
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return false;
  path->assign(buffer.data(), static_cast<std::size_t>(length));
  return true;
}

}  // namespace j6::platform
