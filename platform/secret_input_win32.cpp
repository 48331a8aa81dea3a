// Windows half of platform/secret_input.h: the console's echo off, its wide
// text read; a pipe's bytes taken as UTF-8.
#include <windows.h>

#include <cstdio>

#include "platform/secret_input.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

namespace {

bool ReadConsoleLine(HANDLE input, DWORD mode, std::string* secret) {
  SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::wstring line;
  bool ended = false;
  for (wchar_t c = 0; !ended;) {
    DWORD got = 0;
    if (ReadConsoleW(input, &c, 1, &got, nullptr) == FALSE || got == 0) break;
    ended = c == L'\n';
    if (!ended && c != L'\r') line += c;
  }
  SetConsoleMode(input, mode);
  std::fputc('\n', stderr);  // the Enter the console did not show
  *secret = Utf8FromWide(line);
  if (!line.empty()) SecureZeroMemory(line.data(), line.size() * sizeof(wchar_t));
  return ended || !secret->empty();
}

bool ReadPipedLine(HANDLE input, std::string* secret) {
  bool read = false;
  for (char c = 0;;) {
    DWORD got = 0;
    if (ReadFile(input, &c, 1, &got, nullptr) == FALSE || got == 0) break;
    read = true;
    if (c == '\n') break;
    secret->push_back(c);
  }
  if (!secret->empty() && secret->back() == '\r') secret->pop_back();
  return read;
}

}  // namespace

bool ReadSecretLine(std::string* secret, std::string* error) {
  secret->clear();
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  const bool read = GetConsoleMode(input, &mode) != FALSE ? ReadConsoleLine(input, mode, secret)
                                                          : ReadPipedLine(input, secret);
  if (!read) *error = "nothing was read from standard input";
  return read;
}

}  // namespace j6::platform
