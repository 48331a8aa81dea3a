// The same table runs against the real GetPrivateProfileStringA in the Windows
// builds and against the stand-in elsewhere, so the two cannot drift apart.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/temp_dir.h"

namespace j6::platform {
namespace {

/// The text as a file with a byte-order mark, UTF-16 in either byte order.
std::string Utf16File(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

const std::u16string kHalfPair(1, static_cast<char16_t>(0xD83D));

struct ProfileCase {
  const char* name;
  std::string file;
  const char* section;
  const char* key;
  const char* expected;  // the default is "DEF"
};

const ProfileCase kCases[] = {
    {"plain", "[MAILCLIENT]\r\nLOGFILE=C:\\j6.log\r\n", "MAILCLIENT", "LOGFILE", "C:\\j6.log"},
    {"names any case", "[mailClient]\nlogfile=x\n", "MAILCLIENT", "LOGFILE", "x"},
    {"names passed with blanks", "[S]\nk=v\n", " S ", " k ", "v"},
    {"section name trimmed", "[ Spaced ]\nk=v\n", "Spaced", "k", "v"},
    {"text after bracket ignored", "[S] note\nk=v\n", "S", "k", "v"},
    {"section to last bracket", "[a]b]\nk=v\n", "a]b", "k", "v"},
    {"bracket without close is no section", "[S\nk=v\n", "S", "k", "DEF"},
    {"key and value trimmed", "[S]\n  k \t=  v w \t\n", "S", "k", "v w"},
    {"value keeps later equals", "[S]\nk=a=b\n", "S", "k", "a=b"},
    {"double quotes dropped", "[S]\nk=\"  a  \"\n", "S", "k", "  a  "},
    {"single quotes dropped", "[S]\nk='b'\n", "S", "k", "b"},
    {"lone quote kept", "[S]\nk=\"c\n", "S", "k", "\"c"},
    {"mixed quotes kept", "[S]\nk=\"d'\n", "S", "k", "\"d'"},
    {"empty value is not the default", "[S]\nk=\n", "S", "k", ""},
    {"missing key", "[S]\nother=1\n", "S", "k", "DEF"},
    {"missing section", "[T]\nk=1\n", "S", "k", "DEF"},
    {"key of another section", "[S]\nx=1\n[T]\nk=1\n", "S", "k", "DEF"},
    {"key before any section", "k=1\n[S]\n", "S", "k", "DEF"},
    {"semicolon is part of the name", "[S]\n;k=1\n", "S", "k", "DEF"},
    {"first key wins", "[S]\nk=1\nK=2\n", "S", "k", "1"},
    {"first section only", "[S]\nx=1\n[T]\n[s]\nk=2\n", "S", "k", "DEF"},
    {"CR alone ends a line", "[S]\rk=v\rz=w", "S", "k", "v"},
    {"no line end at the end", "[S]\nk=v", "S", "k", "v"},
    {"control-Z trimmed", "[S]\nk=v\x1a\n", "S", "k", "v"},
    {"blank lines and indents", "\n  \n\t[S]\n\n   k=v\n", "S", "k", "v"},
    // After a byte-order mark the file is Unicode, and the value is turned
    // into Windows-1252 once found: a character the code page lacks becomes
    // its best fit or '?', each half of a pair '?'.
    {"UTF-16LE", Utf16File(u"[S]\r\nk=citt\u00e0 \u20ac\r\n", false), "S", "k", "citt\xe0 \x80"},
    {"UTF-16BE", Utf16File(u"[Citt\u00e0]\nk=\u201cv\u201d\n", true), "Citt\xe0", "k", "\x93v\x94"},
    {"UTF-8", "\xEF\xBB\xBF[Citt\xC3\xA0]\r\nk=\xE2\x82\xAC 5\r\n", "Citt\xe0", "k", "\x80 5"},
    {"UTF-8 without a mark is Windows-1252", "[S]\nk=citt\xC3\xA0\n", "S", "k", "citt\xC3\xA0"},
    {"best fit or '?'", Utf16File(u"[S]\nk=\u0141\u0105\u2212\uff21\u3000\u4e2d\u0416.\n", false),
     "S", "k", "La-A ??."},
    {"characters beyond 16 bits", Utf16File(u"[S]\nk=a\U0001F600b" + kHalfPair + u"c\n", false),
     "S", "k", "a??b?c"},
    {"UTF-8 faults",
     "\xEF\xBB\xBF[S]\nk=a\xE0 b\xE0\x80\x80"
     "c\xED\xA0\xBD"
     "d\xF4\x90\x80\x80"
     "e\xF0\x9F\x98\x80\n",
     "S", "k", "a? b??c??d???e??"},
    {"UTF-8 cut short at the end", "\xEF\xBB\xBF[S]\nk=a\xE4z", "S", "k", "a?"},
    {"no '=' of the code page's making", Utf16File(u"[S]\nk\uff1dv\nk=w\n", false), "S", "k", "w"},
    {"no blank of the code page's making", Utf16File(u"[S]\nk=\u3000v\u3000\n", false), "S", "k",
     " v "},
};

class ProfileTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
};

TEST_F(ProfileTest, ReadsAsWindowsDoes) {
  const std::string path = dir_.File("cfg.ini");
  for (const ProfileCase& c : kCases) {
    test::WriteFileBytes(path, c.file);
    EXPECT_EQ(ReadProfileString(c.section, c.key, "DEF", 260, path), c.expected) << c.name;
  }
}

TEST_F(ProfileTest, CutsTheResultToTheBufferLessOne) {
  const std::string path = dir_.File("cfg.ini");
  test::WriteFileBytes(path, "[S]\nk=" + std::string(300, 'v') + "\n");
  EXPECT_EQ(ReadProfileString("S", "k", "", 260, path), std::string(259, 'v'));
  EXPECT_EQ(ReadProfileString("S", "k", "", 5, path), "vvvv");
  EXPECT_EQ(ReadProfileString("S", "missing", "defaultText", 5, path), "defa");
}

TEST_F(ProfileTest, DefaultLosesTrailingBlanks) {
  const std::string path = dir_.File("cfg.ini");
  test::WriteFileBytes(path, "[S]\n");
  EXPECT_EQ(ReadProfileString("S", "k", "  d e  ", 260, path), "  d e");
}

// Each read sees the file as it is then: written again with the same size
// within one tick of the file system's clock, removed, put back.
TEST_F(ProfileTest, EachReadSeesTheFileAsItIsThen) {
  const std::string path = dir_.File("cfg.ini");
  for (const char* value : {"1", "2", "22", "", "3"}) {
    if (*value == '\0') {
      std::remove(path.c_str());
    } else {
      test::WriteFileBytes(path, std::string("[S]\nk=") + value + "\n");
    }
    EXPECT_EQ(ReadProfileString("S", "k", "DEF", 260, path), *value ? value : "DEF");
  }
}

TEST_F(ProfileTest, MissingFileGivesTheDefault) {
  EXPECT_EQ(ReadProfileString("S", "k", "DEF", 260, dir_.File("absent.ini")), "DEF");
  EXPECT_EQ(ReadProfileString("S", "k", "", 260, dir_.File("absent.ini")), "");
}

}  // namespace
}  // namespace j6::platform
