// POSIX half of platform/message_box.h: there is no desktop to show a box on,
// so the box becomes one line on standard error and nothing waits; a
// question waits only for a user at a terminal.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/ascii.h"

#include "platform/message_box.h"
#include "platform/native.h"

namespace j6::platform {

void native::ShowMessageBox(const char* caption, const char* text, unsigned /*flags*/) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
}

bool native::AskYesNo(const char* caption, const char* text, unsigned flags) {
  ShowMessageBox(caption, text, flags);
  // A run started by the host has nobody to answer: it must not wait.
  if (isatty(STDIN_FILENO) == 0) return false;
  char line[64] = {};
  if (std::fgets(line, sizeof line, stdin) == nullptr) return false;
  std::string_view answer(line, std::strcspn(line, "\r\n"));
  return EqualsIgnoringAsciiCase(answer, "y") || EqualsIgnoringAsciiCase(answer, "yes");
}

}  // namespace j6::platform
