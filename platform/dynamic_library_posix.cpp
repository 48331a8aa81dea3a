// POSIX half of platform/dynamic_library.h: dlopen of lib<NAME>.so, first in
// the executable's folder, as Windows looks there first.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

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

/// lib<NAME>.so beside the executable, when a file of that name is there.
bool BesideExecutable(const std::string& file, std::string* path) {
  std::string executable;
  if (!ModuleFileName(&executable)) return false;
  *path = executable.substr(0, executable.rfind('/') + 1) + file;
  return access(path->c_str(), F_OK) == 0;
}

std::string LoaderError() {
  const char* why = dlerror();
  return why != nullptr ? why : "dlopen failed";
}

}  // namespace

bool native::FindLibrary(const char* name, std::string* path, std::string* error) {
  const std::string file = SharedObjectName(name);
  if (BesideExecutable(file, path)) return true;
  void* handle = dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (handle == nullptr) {
    *error = LoaderError();
    return false;
  }
  link_map* loaded = nullptr;
  const bool known = dlinfo(handle, RTLD_DI_LINKMAP, &loaded) == 0 && loaded != nullptr &&
                     loaded->l_name != nullptr;
  if (known) *path = loaded->l_name;
  dlclose(handle);
  if (!known) *error = file + " was found, but not where";
  return known;
}

void* native::OpenLibrary(const char* name, std::string* error) {
  const std::string file = SharedObjectName(name);
  // The file beside the executable is the one, also when it cannot be
  // loaded, as on Windows: the system's search is not asked in its place.
  std::string beside;
  void* handle = dlopen(BesideExecutable(file, &beside) ? beside.c_str() : file.c_str(),
                        RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) *error = LoaderError();
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
