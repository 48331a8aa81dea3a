// POSIX half of platform/message_box.h: there is no desktop to show a box on,
// so the box becomes one line on standard error and nothing waits.
#include <cstdio>

#include "platform/message_box.h"
#include "platform/native.h"

namespace j6::platform {

void native::ShowMessageBox(const char* caption, const char* text, unsigned /*flags*/) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
}

}  // namespace j6::platform
