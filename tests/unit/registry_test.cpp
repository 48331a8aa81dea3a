// The same tables run against the real registry in the Windows builds (the
// data imported by regedit) and against the export-file reader elsewhere, so
// that the two cannot drift apart. Imports merge on Windows, so every file
// deletes J6Test first and keeps its keys under it.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/environment.h"
#include "tests/support/registry_import.h"
#include "tests/support/temp_dir.h"

namespace j6::platform {
namespace {

/// The bytes of a literal, embedded zeros included, less the literal's own.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

std::string WithCrLf(const std::string& text) {
  std::string result;
  for (const char c : text) {
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
}

const std::string kFits(128, 'f');
const std::string kTooLong(129, 't');

/// A key sixty levels below J6Test\Deep. (The ANSI calls open no path of
/// more than 260 characters: 234, ERROR_MORE_DATA, under Wine 8.)
const std::string kDeepKey = [] {
  std::string path = "J6Test\\Deep";
  for (int level = 1; level <= 60; ++level) path += "\\D" + std::to_string(level);
  return path;
}();

/// Most cases read this one file, written with CR LF as regedit writes it.
std::string SettingsFile() {
  return WithCrLf(R"(REGEDIT4

[-HKEY_CURRENT_USER\J6Test]

[HKEY_CURRENT_USER\J6Test\Strings]
"Plain"="J6DEMO"
"Empty"=""
"Escapes"="C:\\Temp\\ \"q\""
"Fits"=")" + kFits +
                  R"("
"TooLong"=")" + kTooLong +
                  R"("
@="default"
"Dropped"="x"
"Dropped"=-

[HKEY_CURRENT_USERS\J6Test\Strings]
"Near"="x"
[HKEY_LOCAL_MACHINE\J6Test\Strings]
"Machine"="x"

[HKEY_CURRENT_USER\J6Test\Data]
"Port"=dword:00001f40
"Short"=dword:7
"Binary"=hex:01,ff,00
"Expand"=hex(2):25,54,4d,50,25,00
"Multi"=hex(7):61,00,62,63,00,00
"Unterminated"=hex(2):41,42
"Continued"=hex:00,01,02,\
  03,04,\

; a comment between the lines
  05
"None"=hex(0):

[hkey_current_user\J6Test\Deep\Er\Lower\]

[HKEY_CURRENT_USER\J6Test\Gone\Child]
"v"="1"
[-HKEY_CURRENT_USER\J6Test\Gone]

[HKEY_CURRENT_USER\J6Test\Pruned\Child]
[-HKEY_CURRENT_USER\J6Test\Pruned\Child]

[HKEY_CURRENT_USER\J6Test\Again\Old]
[-HKEY_CURRENT_USER\J6Test\Again]
[HKEY_CURRENT_USER\J6Test\Again\New]

[HKEY_CURRENT_USER\)" +
                  kDeepKey +
                  R"(]
"Bottom"="deep"
)");
}

class RegistryTest : public ::testing::Test {
 protected:
  void Import(const std::string& bytes) {
    const std::string path = dir_.File("settings.reg");
    test::WriteFileBytes(path, bytes);
    ASSERT_TRUE(test::ImportRegistryFile(path));
  }

  test::TempDir dir_;
};

// Windows' ERROR_BAD_PATHNAME, which the program never needs to tell apart
// from other failures.
constexpr long kBadPathname = 161;

struct OpenCase {
  const char* name;
  const char* path;
  long expected;
};

const OpenCase kOpenCases[] = {
    {"plain", "J6Test\\Strings", kRegistrySuccess},
    {"trailing backslash", "J6Test\\Strings\\", kRegistrySuccess},
    {"leading backslash", "\\J6Test\\Strings", kBadPathname},
    {"any case", "j6test\\STRINGS", kRegistrySuccess},
    {"ancestor of a written key", "J6Test\\Deep\\Er", kRegistrySuccess},
    {"lower-case root, trailing backslash", "J6Test\\Deep\\Er\\Lower", kRegistrySuccess},
    {"missing", "J6Test\\Missing", kRegistryFileNotFound},
    {"deleted tree", "J6Test\\Gone", kRegistryFileNotFound},
    {"inside a deleted tree", "J6Test\\Gone\\Child", kRegistryFileNotFound},
    {"parent of a deleted key", "J6Test\\Pruned", kRegistrySuccess},
    {"deleted key", "J6Test\\Pruned\\Child", kRegistryFileNotFound},
    {"made again after its tree was deleted", "J6Test\\Again\\New", kRegistrySuccess},
    {"gone with the tree made again", "J6Test\\Again\\Old", kRegistryFileNotFound},
    {"sixty levels deep", kDeepKey.c_str(), kRegistrySuccess},
};

TEST_F(RegistryTest, OpensKeysAsWindowsDoes) {
  Import(SettingsFile());
  for (const OpenCase& c : kOpenCases) {
    RegistryKey key;
    EXPECT_EQ(key.Open(c.path), c.expected) << c.name;
  }
}

struct QueryCase {
  const char* name;
  const char* key;
  const char* value;
  std::uint32_t bufferSize;
  std::uint32_t type;  // reported on success and when the data do not fit
  long result;
  std::string data;  // read on success; its size is reported in both cases
  RegistryRoot root = RegistryRoot::kCurrentUser;
};

const QueryCase kQueryCases[] = {
    {"string", "J6Test\\Strings", "Plain", 260, kRegSz, kRegistrySuccess, Bytes("J6DEMO\0")},
    {"value name any case", "J6Test\\Strings", "pLAIN", 260, kRegSz, kRegistrySuccess,
     Bytes("J6DEMO\0")},
    {"128 characters fit 129 bytes", "J6Test\\Strings", "Fits", 129, kRegSz, kRegistrySuccess,
     kFits + '\0'},
    {"129 characters do not", "J6Test\\Strings", "TooLong", 129, kRegSz, kRegistryMoreData,
     kTooLong + '\0'},
    {"empty string", "J6Test\\Strings", "Empty", 260, kRegSz, kRegistrySuccess, Bytes("\0")},
    {"escapes", "J6Test\\Strings", "Escapes", 260, kRegSz, kRegistrySuccess,
     Bytes("C:\\Temp\\ \"q\"\0")},
    {"default value", "J6Test\\Strings", "", 260, kRegSz, kRegistrySuccess, Bytes("default\0")},
    {"default value, no name", "J6Test\\Strings", nullptr, 260, kRegSz, kRegistrySuccess,
     Bytes("default\0")},
    {"deleted value", "J6Test\\Strings", "Dropped", 260, 0, kRegistryFileNotFound, ""},
    {"missing value", "J6Test\\Strings", "Missing", 260, 0, kRegistryFileNotFound, ""},
    {"look-alike root", "J6Test\\Strings", "Near", 260, 0, kRegistryFileNotFound, ""},
    {"other root", "J6Test\\Strings", "Machine", 260, 0, kRegistryFileNotFound, ""},
    {"the machine's hive", "J6Test\\Strings", "Machine", 260, kRegSz, kRegistrySuccess,
     Bytes("x\0"), RegistryRoot::kLocalMachine},
    {"a user's value is not the machine's", "J6Test\\Strings", "Plain", 260, 0,
     kRegistryFileNotFound, "", RegistryRoot::kLocalMachine},
    {"dword", "J6Test\\Data", "Port", 260, kRegDword, kRegistrySuccess, Bytes("\x40\x1f\0\0")},
    {"short dword", "J6Test\\Data", "Short", 260, kRegDword, kRegistrySuccess, Bytes("\7\0\0\0")},
    {"binary", "J6Test\\Data", "Binary", 3, kRegBinary, kRegistrySuccess, Bytes("\x01\xff\0")},
    {"binary one byte short", "J6Test\\Data", "Binary", 2, kRegBinary, kRegistryMoreData,
     Bytes("\x01\xff\0")},
    {"expandable string", "J6Test\\Data", "Expand", 260, kRegExpandSz, kRegistrySuccess,
     Bytes("%TMP%\0")},
    {"multi-string", "J6Test\\Data", "Multi", 260, kRegMultiSz, kRegistrySuccess,
     Bytes("a\0bc\0\0")},
    {"hex text gets its zero", "J6Test\\Data", "Unterminated", 260, kRegExpandSz, kRegistrySuccess,
     Bytes("AB\0")},
    {"continued hex lines", "J6Test\\Data", "Continued", 260, kRegBinary, kRegistrySuccess,
     Bytes("\0\1\2\3\4\5")},
    {"no bytes", "J6Test\\Data", "None", 260, kRegNone, kRegistrySuccess, ""},
    {"sixty levels down", kDeepKey.c_str(), "Bottom", 260, kRegSz, kRegistrySuccess,
     Bytes("deep\0")},
};

TEST_F(RegistryTest, ReadsValuesAsWindowsDoes) {
  Import(SettingsFile());
  for (const QueryCase& c : kQueryCases) {
    SCOPED_TRACE(c.name);
    RegistryKey key(c.root);
    ASSERT_EQ(key.Open(c.key), kRegistrySuccess);
    const std::vector<unsigned char> untouched(c.bufferSize, 0xA5);
    std::vector<unsigned char> buffer = untouched;
    std::uint32_t type = 99;
    std::uint32_t size = c.bufferSize;
    EXPECT_EQ(key.Query(c.value, &type, buffer.data(), &size), c.result);
    if (c.result == kRegistryFileNotFound) continue;
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(size, c.data.size());
    if (c.result == kRegistryMoreData) {
      EXPECT_EQ(buffer, untouched);
    } else if (size <= buffer.size()) {
      EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + size), c.data);
    }
  }
}

TEST_F(RegistryTest, NoBufferReportsTheSize) {
  Import(SettingsFile());
  RegistryKey key;
  ASSERT_EQ(key.Open("J6Test\\Strings"), kRegistrySuccess);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(key.Query("TooLong", &type, nullptr, &size), kRegistrySuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, kTooLong.size() + 1);
  EXPECT_EQ(key.Close(), kRegistrySuccess);
  EXPECT_EQ(key.Close(), kRegistrySuccess);
}

/// A file as regedit exports it on a desktop: UTF-16LE with a byte-order
/// mark, where text values given as hex bytes are UTF-16LE too. A character
/// the code page lacks comes back as its best fit or '?', and the quote it
/// may become is no quote of the file's.
TEST_F(RegistryTest, ReadsUnicodeFilesAsWindows1252) {
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[-HKEY_CURRENT_USER\\J6Test]\r\n\r\n"
      u"[HKEY_CURRENT_USER\\J6Test\\Citt\u00e0]\r\n"
      u"\"Citt\u00e0\"=\"Citt\u00e0 \u20ac \u4e2d \u0141\uff02\"\r\n"
      u"\"Path\"=hex(2):25,00,41,00,e0,00,25,00,00,00\r\n";
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  Import(bytes);

  RegistryKey key;
  ASSERT_EQ(key.Open("J6TEST\\CITT\xC0"), kRegistrySuccess);
  unsigned char buffer[64] = {};
  std::uint32_t type = 0;
  std::uint32_t size = sizeof buffer;
  ASSERT_EQ(key.Query("citt\xE0", &type, buffer, &size), kRegistrySuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), size),
            Bytes("Citt\xE0 \x80 ? L\"\0"));

  size = sizeof buffer;
  ASSERT_EQ(key.Query("Path", &type, buffer, &size), kRegistrySuccess);
  EXPECT_EQ(type, kRegExpandSz);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), size), Bytes("%A\xE0%\0"));
}

/// Off Windows the file is parsed once and kept; each Open must still see it
/// as it is then, also when it has been written again with the same size.
TEST_F(RegistryTest, EachOpenSeesTheFileAsItIsThen) {
  for (const char* text : {"1", "2", "22", ""}) {
    Import(std::string("REGEDIT4\n[-HKEY_CURRENT_USER\\J6Test]\n"
                       "[HKEY_CURRENT_USER\\J6Test\\Changed]\n\"v\"=\"") +
           text + "\"\n");
    RegistryKey key;
    ASSERT_EQ(key.Open("J6Test\\Changed"), kRegistrySuccess);
    char buffer[8] = {};
    std::uint32_t size = sizeof buffer;
    ASSERT_EQ(key.Query("v", nullptr, reinterpret_cast<unsigned char*>(buffer), &size),
              kRegistrySuccess);
    EXPECT_EQ(std::string(buffer, size), std::string(text) + '\0');
  }
}

struct HeaderCase {
  const char* name;
  const char* header;
  bool imported;
};

const HeaderCase kHeaderCases[] = {
    {"version 4", "REGEDIT4", true},
    {"version 5", "Windows Registry Editor Version 5.00", true},
    {"leading blanks", " \tREGEDIT4", true},
    {"other spelling", "REGEDIT 4", false},
    {"lower case", "regedit4", false},
    {"none", "", false},
};

TEST_F(RegistryTest, ImportsOnlyFilesWithAValidHeader) {
  for (const HeaderCase& c : kHeaderCases) {
    Import("REGEDIT4\n[-HKEY_CURRENT_USER\\J6Test]\n");
    const std::string path = dir_.File("header.reg");
    test::WriteFileBytes(path, std::string(c.header) + "\n[HKEY_CURRENT_USER\\J6Test\\Header]\n");
    test::ImportRegistryFile(path);  // regedit may call a file without a header a failure
    RegistryKey key;
    EXPECT_EQ(key.Open("J6Test\\Header"), c.imported ? kRegistrySuccess : kRegistryFileNotFound)
        << c.name;
  }
}

// A mail client's DLLPath may be REG_EXPAND_SZ; a variable that is not set
// stays as written.
TEST(RegistryText, ExpandsAsWindowsDoes) {
  test::SetEnvironment("J6TEST_EXPAND", "C:\\Mail");
  const struct {
    const char* text;
    const char* expanded;
  } cases[] = {
      {"%J6TEST_EXPAND%\\mapi.dll", "C:\\Mail\\mapi.dll"},
      {"%J6TEST_UNSET%\\%J6TEST_EXPAND%", "%J6TEST_UNSET%\\C:\\Mail"},
      {"100%", "100%"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandRegistryText(c.text), c.expanded) << c.text;
}

}  // namespace
}  // namespace j6::platform
