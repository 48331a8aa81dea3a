// Windows half of platform/module_path.h: the wide call, in UTF-8.
#include <windows.h>

#include <vector>

#include "platform/module_path.h"
#include "platform/native.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

bool native::ModuleFileName(std::string* path) {
  // Long paths are possible; a result that fills the buffer was cut short.
  std::vector<wchar_t> buffer(32768);
  const DWORD size = static_cast<DWORD>(buffer.size());
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
  if (length == 0 || length >= size) return false;
  *path = Utf8FromWide(std::wstring(buffer.data(), length));
  return !path->empty();
}

}  // namespace j6::platform
