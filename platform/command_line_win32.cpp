// Windows half of platform/command_line.h: the process's own command line,
// since argv has already lost the quotes and the blanks the host passed.
#include <windows.h>

#include "platform/command_line.h"

namespace j6::platform {

std::string CommandLineRemainder(int /*argc*/, char** /*argv*/) {
  return SkipProgramName(GetCommandLineA());
}

}  // namespace j6::platform
