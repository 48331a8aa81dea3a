// POSIX half of platform/command_line.h.
#include "platform/command_line.h"

namespace j6::platform {

std::string CommandLineRemainder(int argc, char** argv) {
  std::string remainder;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) remainder += ' ';
    remainder += argv[i];
  }
  return remainder;
}

}  // namespace j6::platform
