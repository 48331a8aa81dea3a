#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace j6::platform {
namespace {

TEST(SkipProgramName, LeavesTheRemainderWhole) {
  const struct {
    const char* commandLine;
    const char* remainder;
  } cases[] = {
      {"", ""},
      {"J6Mailer.exe", ""},
      {"J6Mailer.exe   ", ""},
      {"J6Mailer.exe A01", "A01"},
      {"J6Mailer.exe A01  ", "A01  "},                         // trailing blanks kept
      {"J6Mailer.exe   two words ", "two words "},             // not split into words
      {"\"C:\\Program Files\\J6\\J6Mailer.exe\" A01", "A01"},  // blanks inside quotes
      {"C:\\Pro\"gram Fi\"les\\J6Mailer.exe A01", "A01"},      // quotes anywhere in the name
      {"\"C:\\J6\\J6Mailer.exe\"A01", ""},                     // no blank: still the name
      {"J6Mailer.exe \t\x01\x1f A01", "A01"},                  // tabs and control characters
      {"J6Mailer.exe \"quoted area\"", "\"quoted area\""},     // quotes of the rest kept
      {"J6Mailer.exe \xC0rea", "\xC0rea"},                     // bytes compare as unsigned
      {"\"unterminated name A01", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::string(SkipProgramName(c.commandLine)), c.remainder)
        << "command line [" << c.commandLine << "]";
  }
}

}  // namespace
}  // namespace j6::platform
