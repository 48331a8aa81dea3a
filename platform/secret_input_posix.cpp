// POSIX half of platform/secret_input.h: the terminal's echo off.
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "platform/secret_input.h"

namespace j6::platform {

bool ReadSecretLine(std::string* secret, std::string* error) {
  termios before{};
  const bool console = isatty(STDIN_FILENO) != 0 && tcgetattr(STDIN_FILENO, &before) == 0;
  if (console) {
    termios quiet = before;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  secret->clear();
  int c = 0;
  bool read = false;
  while ((c = std::getchar()) != EOF && c != '\n') {
    read = true;
    secret->push_back(static_cast<char>(c));
  }
  if (console) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
    std::fputc('\n', stderr);  // the Enter the terminal did not show
  }
  if (!secret->empty() && secret->back() == '\r') secret->pop_back();
  if (read || c == '\n') return true;
  *error = "nothing was read from standard input";
  return false;
}

}  // namespace j6::platform
