// POSIX half of platform/dynamic_library.h: dlopen of lib<NAME>.so, first in
// the executable's folder, as Windows looks there first.
#include <dlfcn.h>

#include <cstring>

#include "platform/ascii.h"
#include "platform/dynamic_library.h"
#include "platform/module_path.h"

namespace j6::platform {

namespace {

std::string SharedObjectName(std::string name) {
  if (EndsWithIgnoringAsciiCase(name, ".dll")) name.resize(name.size() - 4);
  return "lib" + name + ".so";
}

}  // namespace

bool DynamicLibrary::Load(const char* name) {
  Free();
  const std::string file = SharedObjectName(name);
  std::string executable;
  if (ModuleFileName(&executable)) {
    const std::string folder = executable.substr(0, executable.rfind('/') + 1);
    handle_ = dlopen((folder + file).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (handle_ == nullptr) handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    error_ = why != nullptr ? why : "dlopen failed";
  }
  return handle_ != nullptr;
}

EntryPoint DynamicLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  void* address = dlsym(handle_, name);
  EntryPoint entry = nullptr;
  static_assert(sizeof entry == sizeof address, "function and data pointers differ in size");
  std::memcpy(&entry, &address, sizeof entry);
  return entry;
}

void DynamicLibrary::Free() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace j6::platform
