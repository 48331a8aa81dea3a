// Where the running program's executable lies.
#pragma once

#include <string>

namespace j6::platform {

/// The full path of the running executable, in the form the profile reader
/// takes a path in: on Windows UTF-8, since the folder may be named with
/// characters the ANSI code page lacks (the ANSI call would give question
/// marks); off Windows the host's own path (with slashes), which the file
/// functions take as it is. False when the system cannot tell.
bool ModuleFileName(std::string* path);

}  // namespace j6::platform
