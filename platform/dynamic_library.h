// Libraries loaded while the program runs: the transfer library and the mail
// libraries, which may or may not be installed.
#pragma once

#include <string>

namespace j6::platform {

/// The generic type of an entry point; cast to the real type to call it.
using EntryPoint = void (*)();

/// Where DynamicLibrary::Load looks for the library `name`, and so which
/// file it would load: the file's full path, in the form ModuleFileName gives
/// a path (on Windows UTF-8). False, with the reason in `*error`, when the
/// search finds none. Off Windows a library found by the system's own search,
/// not beside the executable, is loaded and freed again to learn its path:
/// that search has no call that only looks.
bool FindLibrary(const char* name, std::string* path, std::string* error);

/// A loaded library that owns its lifetime: freed by Free() or when
/// destroyed. Remembers why loading failed, for a log line.
class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary() { Free(); }
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  /// Loads the library by its Windows name ("J6TFN", "MAPI32.DLL"): the file
  /// FindLibrary finds, first in the executable's folder. Off Windows the
  /// name, less a trailing ".dll" in any case, becomes lib<NAME>.so.
  bool Load(const char* name);
  /// The named export, or null (also when nothing is loaded).
  EntryPoint Symbol(const char* name) const;
  void Free();

  bool loaded() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace j6::platform
