// Windows half of platform/module_path.h.
#include <windows.h>

#include <vector>

#include "platform/module_path.h"

namespace j6::platform {

bool ModuleFileName(std::string* path) {
  // Long paths are possible; a result that fills the buffer was cut short.
  std::vector<char> buffer(32768);
  const DWORD size = static_cast<DWORD>(buffer.size());
  const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
  if (length == 0 || length >= size) return false;
  path->assign(buffer.data(), length);
  return true;
}

}  // namespace j6::platform
