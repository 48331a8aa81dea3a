// Libraries loaded while the program runs: the transfer library and the mail
// libraries, which may or may not be installed.
#pragma once

#include <string>

namespace j6::platform {

/// The generic type of an entry point; cast to the real type to call it.
using EntryPoint = void (*)();

/// A loaded library that owns its lifetime: freed by Free() or when
/// destroyed. Remembers why loading failed, for a log line.
class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary() { Free(); }
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  /// Loads the library by its Windows name ("J6TFN", "MAPI32.DLL"), looking
  /// first in the executable's folder. Off Windows the name, less a trailing
  /// ".dll" in any case, becomes lib<NAME>.so.
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
