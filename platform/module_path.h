// Where the running program's executable lies.
#pragma once

#include <string>

namespace j6::platform {

/// The full path of the running executable in Windows form (backslashes), so
/// that the program finds its directory the same way everywhere. False when
/// the system cannot tell.
bool ModuleFileName(std::string* path);

}  // namespace j6::platform
