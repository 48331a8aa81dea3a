#include "run/text.h"

#include <gtest/gtest.h>

#include <string>

#include "mail/file_name.h"
#include "platform/ascii.h"
#include "platform/url.h"

namespace j6 {
namespace {

TEST(TrimTrailingSpaces, RemovesOnlyTrailingBlanks) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"   ", ""},
      {"A01  ", "A01"},
      {"  A01", "  A01"},
      {"a b  c ", "a b  c"},
      {"tab\t", "tab\t"},  // only code 32 counts as a blank
      {"tab\t  ", "tab\t"},
      {"line\n ", "line\n"},
  };
  for (const auto& c : cases) {
    std::string text = c.in;
    TrimTrailingSpaces(text.data());
    EXPECT_STREQ(text.c_str(), c.out) << "input [" << c.in << "]";
  }
}

TEST(TrimTrailingSpaces, WorksOnFixedStrings) {
  FixedString<10> text("ab   ");
  TrimTrailingSpaces(text);
  EXPECT_EQ(text.view(), "ab");
}

TEST(EqualsIgnoreCase, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(platform::EqualsIgnoringAsciiCase("EXTENDED", "extended"));
  EXPECT_TRUE(platform::EqualsIgnoringAsciiCase("", ""));
  EXPECT_FALSE(platform::EqualsIgnoringAsciiCase("EXTENDED", "EXTENDED "));
  EXPECT_FALSE(platform::EqualsIgnoringAsciiCase("si", "s"));
  EXPECT_FALSE(
      platform::EqualsIgnoringAsciiCase("\xC0", "\xE0"));  // accented letters compare exactly
  EXPECT_FALSE(
      platform::EqualsIgnoringAsciiCase("[", "{"));  // 0x5B and 0x7B differ by case bit only
}

TEST(IsDeviceName, KnowsTheNamesWindowsOpensAsDevices) {
  const struct {
    const char* name;
    bool device;
  } cases[] = {
      {"COM1", true},   {"aux.txt", true},  {"Con", true},      {"nul.tar.gz", true},
      {"LPT9 ", true},  {"PRN.", true},     {"CON .pdf", true}, {"COM0", false},
      {"COM10", false}, {"CONSOLE", false}, {"xAUX", false},    {"", false},
      {".CON", false},  {"LPT", false},
  };
  for (const auto& c : cases) EXPECT_EQ(mail::IsDeviceName(c.name), c.device) << c.name;
}

// What is refused, shown and looked up of a setting's URL: a login is any
// "@" before the query, also after a "/" a password may hold.
TEST(ReadUrl, FindsHostPortAndAnyLogin) {
  const struct {
    const char* text;
    const char* read;  // scheme|login|host|port|rest
  } cases[] = {
      {"https://login.x:443/t/token?a=b", "https|0|login.x|443|/t/token?a=b"},
      {"HTTPS://app:se/cret@login.x/t", "https|1|login.x||/t"},
      {"relay.local", "|0|relay.local||"},
      {"smtp://[::1]:25", "smtp|0|[::1]|25|"},
      {"https://x/t?user=a@b", "https|0|x||/t?user=a@b"},
  };
  for (const auto& c : cases) {
    const platform::Url url = platform::ReadUrl(c.text);
    EXPECT_EQ(url.scheme + "|" + (url.holdsLogin ? "1" : "0") + "|" + url.host + "|" + url.port +
                  "|" + url.rest,
              c.read);
  }
}

}  // namespace
}  // namespace j6
