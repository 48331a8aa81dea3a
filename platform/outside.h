// Every call through which the program meets the world outside it, in one
// table that a test can replace entry by entry (as SQLite's table of system
// calls): a short read, a delete that fails or a library that answers
// otherwise is then forced in-process, without building a library or
// starting a process. Each entry starts as the platform's own call; the
// functions of files.h, dynamic_library.h, message_box.h, clock.h and
// module_path.h go through it.
//
// Outside the table, and so tested against the real thing: the registry and
// the INI reader (one table of cases runs against Windows' own functions and
// the stand-ins), the command line, the named lock, the stored credential,
// the secret store, the host name, the check program's file probes, the
// process ids, the transfer library's call itself, and the sign-in's
// loopback listener, browser and random bytes (its flows take the world
// they meet as parameters instead).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/dynamic_library.h"

// One row per call: the table's entry, the function of the same name in
// platform:: (which calls through the entry) and in platform::native:: (the
// platform's own, which the entry starts as), its result and its
// parameters, and the arguments that pass them on. The table is filled by
// name from these rows, so two entries of one type cannot be swapped: a
// row that named another's function would define that function twice.
#define J6_OUTSIDE_CALLS(X)                                                                        \
  X(openFile, OpenFile, std::FILE*, (const std::string& path, const char* mode), (path, mode))     \
  X(appendToFile, AppendToFile, bool, (const std::string& path, std::string_view bytes),           \
    (path, bytes))                                                                                 \
  X(deleteFile, DeleteFileAt, bool, (const std::string& path), (path))                             \
  X(removeFileIfPresent, RemoveFileIfPresent, bool, (const std::string& path), (path))             \
  X(fileHasData, FileHasData, bool, (const std::string& path), (path))                             \
  /* Where a library would be loaded from; false, with the reason in */                            \
  /* `*error`, when it is nowhere to be found. */                                                  \
  X(findLibrary, FindLibrary, bool, (const char* name, std::string* path, std::string* error),     \
    (name, path, error))                                                                           \
  /* A library's handle; null, with the system's reason in `*error`, when */                       \
  /* it cannot be loaded. */                                                                       \
  X(loadLibrary, OpenLibrary, void*, (const char* name, std::string* error), (name, error))        \
  X(findSymbol, FindSymbol, EntryPoint, (void* library, const char* name), (library, name))        \
  X(freeLibrary, CloseLibrary, void, (void* library), (library))                                   \
  X(showMessageBox, ShowMessageBox, void, (const char* caption, const char* text, unsigned flags), \
    (caption, text, flags))                                                                        \
  X(askYesNo, AskYesNo, bool, (const char* caption, const char* text, unsigned flags),             \
    (caption, text, flags))                                                                        \
  X(nowLocal, NowLocal, LocalTime, (), ())                                                         \
  X(nowUtcSeconds, NowUtcSeconds, std::int64_t, (), ())                                            \
  X(moduleFileName, ModuleFileName, bool, (std::string * path), (path))

namespace j6::platform {

// A name and a parameter list in parentheses would be neither.
// NOLINTNEXTLINE(bugprone-macro-parentheses)
#define J6_OUTSIDE_ENTRY(entry, Function, Result, Parameters, Arguments) Result(*entry) Parameters;
struct Outside {
  J6_OUTSIDE_CALLS(J6_OUTSIDE_ENTRY)
};
#undef J6_OUTSIDE_ENTRY

/// The table every call goes through.
Outside& TheOutside();

/// The platform's own calls, to put back what a test replaced.
const Outside& NativeOutside();

// The calls through the table; the service headers say what each does.
// OpenLibrary, FindSymbol and CloseLibrary serve DynamicLibrary, which owns
// what they hand out.
#define J6_OUTSIDE_CALL(entry, Function, Result, Parameters, Arguments) Result Function Parameters;
J6_OUTSIDE_CALLS(J6_OUTSIDE_CALL)
#undef J6_OUTSIDE_CALL

}  // namespace j6::platform
