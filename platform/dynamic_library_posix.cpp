// POSIX half of platform/dynamic_library.h: dlopen of lib<NAME>.so, first in
// the executable's folder, as Windows looks there first.
#include <dlfcn.h>

#include <cstring>

#include "platform/ascii.h"
#include "platform/dynamic_library.h"
#include "platform/module_path.h"
#include "platform/native.h"

namespace j6::platform {

namespace {

std::string SharedObjectName(std::string name) {
  if (EndsWithIgnoringAsciiCase(name, ".dll")) name.resize(name.size() - 4);
  return "lib" + name + ".so";
}

}  // namespace

void* native::OpenLibrary(const char* name, std::string* error) {
  const std::string file = SharedObjectName(name);
  void* handle = nullptr;
  std::string executable;
  if (ModuleFileName(&executable)) {
    const std::string folder = executable.substr(0, executable.rfind('/') + 1);
    handle = dlopen((folder + file).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (handle == nullptr) handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    *error = why != nullptr ? why : "dlopen failed";
  }
  return handle;
}

EntryPoint native::FindSymbol(void* library, const char* name) {
  void* address = dlsym(library, name);
  EntryPoint entry = nullptr;
  static_assert(sizeof entry == sizeof address, "function and data pointers differ in size");
  std::memcpy(&entry, &address, sizeof entry);
  return entry;
}

void native::CloseLibrary(void* library) { dlclose(library); }

}  // namespace j6::platform
