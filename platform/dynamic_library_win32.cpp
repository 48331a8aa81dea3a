// Windows half of platform/dynamic_library.h: LoadLibraryA searches the
// executable's folder first by itself.
#include <windows.h>

#include "platform/dynamic_library.h"

namespace j6::platform {

bool DynamicLibrary::Load(const char* name) {
  Free();
  handle_ = LoadLibraryA(name);
  if (handle_ == nullptr) error_ = "LoadLibrary error " + std::to_string(GetLastError());
  return handle_ != nullptr;
}

EntryPoint DynamicLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<EntryPoint>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void DynamicLibrary::Free() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

}  // namespace j6::platform
