// Where the running program's executable lies.
#pragma once

#include <string>

namespace j6::platform {

/// The full path of the running executable: on Windows as the system gives
/// it, off Windows the host's own path (with slashes), which the file
/// functions take as it is. False when the system cannot tell.
bool ModuleFileName(std::string* path);

}  // namespace j6::platform
