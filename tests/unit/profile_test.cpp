// The same table runs against the real GetPrivateProfileStringA in the Windows
// builds and against the stand-in elsewhere, so the two cannot drift apart.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace j6::platform {
namespace {

struct ProfileCase {
  const char* name;
  const char* file;
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

TEST_F(ProfileTest, MissingFileGivesTheDefault) {
  EXPECT_EQ(ReadProfileString("S", "k", "DEF", 260, dir_.File("absent.ini")), "DEF");
  EXPECT_EQ(ReadProfileString("S", "k", "", 260, dir_.File("absent.ini")), "");
}

}  // namespace
}  // namespace j6::platform
