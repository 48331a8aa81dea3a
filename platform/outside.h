// Every call through which the program meets the world outside it, in one
// table that a test can replace entry by entry (as SQLite's table of system
// calls): a short read, a delete that fails or a library that answers
// otherwise is then forced in-process, without building a library or
// starting a process. Each entry starts as the platform's own call; the
// functions of files.h, dynamic_library.h, message_box.h and clock.h go
// through it, and so does module_path.h.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/dynamic_library.h"

namespace j6::platform {

struct Outside {
  std::FILE* (*openFile)(const std::string& path, const char* mode);
  bool (*appendToFile)(const std::string& path, std::string_view bytes);
  bool (*deleteFile)(const std::string& path);
  bool (*removeFileIfPresent)(const std::string& path);
  bool (*fileHasData)(const std::string& path);
  /// Where a library would be loaded from; false, with the reason in
  /// `*error`, when it is nowhere to be found.
  bool (*findLibrary)(const char* name, std::string* path, std::string* error);
  /// A library's handle; null, with the system's reason in `*error`, when it
  /// cannot be loaded.
  void* (*loadLibrary)(const char* name, std::string* error);
  EntryPoint (*findSymbol)(void* library, const char* name);
  void (*freeLibrary)(void* library);
  void (*showMessageBox)(const char* caption, const char* text, unsigned flags);
  bool (*askYesNo)(const char* caption, const char* text, unsigned flags);
  LocalTime (*nowLocal)();
  bool (*moduleFileName)(std::string* path);
};

/// The table every call goes through.
Outside& TheOutside();

/// The platform's own calls, to put back what a test replaced.
const Outside& NativeOutside();

}  // namespace j6::platform
