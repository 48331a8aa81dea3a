// The check program's steps in-process: the header reader on a table of
// files, the libraries found through the outside table and played by the
// in-process doubles, the configuration file and the log folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "check/binary_header.h"
#include "check/configuration_check.h"
#include "check/library_check.h"
#include "check/mail_client_check.h"
#include "check/settings_check.h"
#include "tests/doubles/in_process/libraries.h"
#include "tests/support/library_header.h"
#include "tests/support/registry_import.h"
#include "tests/support/run_state_fixture.h"
#include "tests/support/scoped_outside.h"

namespace j6::check {
namespace {

using test::ElfHeader;
using test::PeHeader;

std::string Patched(std::string bytes, std::size_t at, std::string_view with) {
  return bytes.replace(at, with.size(), with);
}

TEST(BinaryHeader, TellsFormatBitsAndMachine) {
  const struct {
    const char* name;
    std::string bytes;
    BinaryFormat format;
    int bits;
    const char* machine;
  } cases[] = {
      {"PE32", PeHeader(32), BinaryFormat::kPe, 32, "x86"},
      {"PE32+", PeHeader(64), BinaryFormat::kPe, 64, "x64"},
      {"PE32+ for ARM64", Patched(PeHeader(64), 0x84, "\x64\xAA"), BinaryFormat::kPe, 64, "ARM64"},
      {"PE without an optional header", Patched(PeHeader(64), 0x94, std::string(2, '\0')),
       BinaryFormat::kPe, 64, "x64"},
      {"ELF32", ElfHeader(32), BinaryFormat::kElf, 32, "x86"},
      {"ELF64", ElfHeader(64), BinaryFormat::kElf, 64, "x64"},
      {"big-endian ELF64",
       Patched(ElfHeader(64), 5, std::string("\x02\x01\0\0\0\0\0\0\0\0\0\0\0\0\x15", 15)),
       BinaryFormat::kElf, 64, "machine 0x15"},
      {"a DOS program", std::string("MZ") + std::string(0x40, '\0'), BinaryFormat::kUnknown, 0, ""},
      {"PE header beyond the end", PeHeader(32).substr(0, 0x90), BinaryFormat::kUnknown, 0, ""},
      {"PE offset beyond the end", Patched(PeHeader(32), 0x3C, "\xF0\xFF\xFF\xFF"),
       BinaryFormat::kUnknown, 0, ""},
      {"text", "REGEDIT4\r\n", BinaryFormat::kUnknown, 0, ""},
      {"nothing", "", BinaryFormat::kUnknown, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const BinaryHeader header = ParseBinaryHeader(c.bytes);
    EXPECT_EQ(header.format, c.format);
    EXPECT_EQ(header.bits, c.bits);
    EXPECT_EQ(header.machine, c.machine);
  }
}

/// Where the outside table's library search finds each library, for one
/// test: a name missing here is nowhere.
std::map<std::string, std::string>& Found() {
  static std::map<std::string, std::string> found;
  return found;
}

bool FindInTest(const char* name, std::string* path, std::string* error) {
  const auto at = Found().find(name);
  if (at == Found().end()) {
    *error = std::string(name) + " is nowhere";
    return false;
  }
  *path = at->second;
  return true;
}

class LibraryCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Found().clear();
    outside_->findLibrary = &FindInTest;
  }
  /// A library file of `bits` in the program's own form, where the search
  /// finds `name`.
  void Place(const std::string& name, int bits) {
    const std::string path = dir_.File(name + ".dll");
    test::WriteFileBytes(path, test::LibraryHeader(bits));
    Found()[name] = path;
  }
  std::string Path(const std::string& name) { return dir_.File(name + ".dll"); }

  test::TempDir dir_;
  test::ScopedOutside outside_;
  const Program program_ = ThisProgram();
  const int own_ = test::OwnBits();
  const int other_ = 96 - test::OwnBits();
  Report report_;
};

// J6TFN, else J6TF, as a run tries them: J6TF only when J6TFN cannot be
// loaded at all.
TEST_F(LibraryCheckTest, TransferLibraryAsTheRunFindsIt) {
  const std::string own = std::to_string(own_) + "-bit as " + program_.fileName;
  const struct {
    const char* name;
    int j6tfnBits;  // 0: nowhere
    bool j6tfnLoads;
    bool j6tfnExports;
    int j6tfBits;
    std::vector<std::string> lines;
  } cases[] = {
      {"J6TFN",
       own_,
       true,
       true,
       own_,
       {"[ok] transfer library " + Path("J6TFN") + ", " + own, "[ok] J6TFN.dll exports j6tf"}},
      {"J6TFN without j6tf: J6TF is not tried",
       own_,
       true,
       false,
       own_,
       {"[ok] transfer library " + Path("J6TFN") + ", " + own,
        "[fail] J6TFN.dll lacks j6tf: J6Mailer can fetch no document"}},
      {"J6TFN of the other bitness",
       other_,
       true,
       true,
       own_,
       {"[fail] J6TFN.dll is " + std::to_string(other_) + "-bit, " + program_.fileName + " is " +
            std::to_string(own_) + "-bit: J6Mailer cannot load it (" + Path("J6TFN") + ")",
        "[ok] transfer library " + Path("J6TF") + ", " + own,
        "[ok] J6TF.dll exports j6tf; for want of J6TFN, J6Mailer calls it without the port"}},
      {"J6TFN that does not load",
       own_,
       false,
       true,
       own_,
       {"[ok] transfer library " + Path("J6TFN") + ", " + own,
        "[fail] J6TFN.dll does not load: J6TFN is not among the test's libraries",
        "[ok] transfer library " + Path("J6TF") + ", " + own,
        "[ok] J6TF.dll exports j6tf; for want of J6TFN, J6Mailer calls it without the port"}},
      {"neither",
       0,
       true,
       true,
       0,
       {"[fail] no transfer library, J6Mailer can fetch no document: J6TFN is nowhere; J6TF is "
        "nowhere"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    doubles::Transfer() = doubles::TransferRecord{};
    Found().clear();
    if (c.j6tfnBits != 0) Place("J6TFN", c.j6tfnBits);
    if (c.j6tfBits != 0) Place("J6TF", c.j6tfBits);
    std::map<std::string, doubles::Exports> loadable = {{"J6TF", doubles::TransferExports(false)}};
    if (c.j6tfnLoads) {
      loadable["J6TFN"] = c.j6tfnExports ? doubles::TransferExports(true) : doubles::Exports{};
    }
    const doubles::InProcessLibraries libraries(loadable);
    Report report;
    CheckTransferLibrary(program_, report);
    EXPECT_EQ(report.lines(), c.lines);
    EXPECT_EQ(libraries.open(), 0);
    EXPECT_TRUE(doubles::Transfer().calls.empty());
  }
}

// The wrapper is taken as far as a logon to the default profile, and no
// further: no store, no message.
TEST_F(LibraryCheckTest, ExtendedWrapperLogsOnAndOffOnly) {
  const struct {
    const char* failing;
    std::string line;
    std::vector<std::string> calls;
  } cases[] = {
      {"",
       "[ok] MAPI logs on to the default profile \"Fuzz Profile\"",
       {"SessionNew", "Init", "Login", "GetProfileName", "Logout", "Term", "SessionDelete"}},
      {"Init", "[fail] MAPI does not initialise", {"SessionNew", "Init", "SessionDelete"}},
      {"Login",
       "[fail] MAPI logs on to no default profile",
       {"SessionNew", "Init", "Login", "Term", "SessionDelete"}},
  };
  Place("MAPIEx", own_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failing);
    doubles::Extended() = doubles::ExtendedRecord{};
    doubles::Extended().failing = c.failing;
    const doubles::InProcessLibraries libraries({{"MAPIEx", doubles::MapiExExports()}});
    Report report;
    CheckExtendedMapi(program_, report);
    ASSERT_EQ(report.lines().size(), 3u);
    EXPECT_EQ(report.lines()[1], "[ok] MAPIEx.dll exports the whole wrapper interface");
    EXPECT_EQ(report.lines()[2].substr(0, c.line.size()), c.line);
    EXPECT_EQ(doubles::Extended().calls, c.calls);
    EXPECT_EQ(doubles::Extended().initialised, 0);
    EXPECT_FALSE(doubles::Extended().badHandle);
  }
}

// Extended MAPI needs the client's DLLPathEx; Wine's own library only pretends.
TEST_F(LibraryCheckTest, MailClientAsMapiReachesIt) {
  const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail\\J6 Unit Mail]\r\n";
  test::WriteFileBytes(
      Path("client"),
      "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Clients\\Mail]\r\n@=\"J6 Unit Mail\"\r\n[-" + key +
          "[" + key + "\"DLLPath\"=\"C:\\\\W\\\\WineMAPI.dll\"\r\n");
  ASSERT_TRUE(test::ImportRegistryFile(Path("client")));
  const std::string named = "the default mail client \"J6 Unit Mail\"";
  for (const bool extended : {true, false}) {
    Report report;
    CheckMailClient(program_, extended, false, report);
    const std::string line =
        extended ? "[fail] " + named + " (HKEY_CURRENT_USER) registers no DLLPathEx"
                 : "[warn] C:\\W\\WineMAPI.dll, the MAPI library of " + named + ", is Wine's";
    EXPECT_EQ(report.lines().back().substr(0, line.size()), line);
  }
}

using ConfigurationCheckTest = test::RunStateTest;

// A folder where a file is expected cannot be read, by root (CI) too.
TEST_F(ConfigurationCheckTest, FilesThatCannotBeReadFail) {
  const std::string folder = dir_.File("J6MailerCfg.ini");
  std::filesystem::create_directory(folder);
  run_.configPath.Assign(folder);
  Report report;
  CheckConfiguration(run_, report);
  CheckStandIns({folder, folder, folder}, report);
  EXPECT_EQ(report.lines().at(0),
            "[fail] configuration file " + folder +
                " cannot be read: J6Mailer keeps no log and uses Simple MAPI");
  EXPECT_EQ(report.lines().at(1).substr(0, 30 + folder.size()),
            "[fail] registry export " + folder + " cannot");
}

// Only LOGFILE and MAPI of [MAILCLIENT] are read; anything else is named.
TEST_F(ConfigurationCheckTest, NamesWhatJ6MailerDoesNotRead) {
  const struct {
    std::string text;
    std::vector<std::string> notOk;
  } cases[] = {
      {"[MAILCLIENT]\r\nLOGFILE=C:\\j6.log\r\n; MAPI=EXTENDED\r\nMAPI=Extended\r\n", {}},
      {"[MailClient]\r\nLOGFLIE=C:\\j6.log\r\nMAPI=EXTENDEDD\r\n[Other]\r\nLOGFILE=x\r\n",
       {"[warn] section [Other] of the configuration file is not read",
        "[warn] key LOGFLIE of [MAILCLIENT] is not read (only LOGFILE and MAPI and PROXY are)",
        "[warn] no LOGFILE: J6Mailer keeps no log",
        "[warn] MAPI=EXTENDEDD is none of SIMPLE, EXTENDED, SMTP, GRAPH or GMAIL: mail goes "
        "through "
        "Simple "
        "MAPI"}},
      // A password has no place in the file, and is never read from it.
      {"[MAILCLIENT]\r\nLOGFILE=C:\\j6.log\r\nMAPI=smtp\r\n[SMTP]\r\nSERVER=smtp://x\r\n"
       "PASSWORD=secret\r\n",
       {"[warn] key PASSWORD of [SMTP] is not read"}},
      {"[MAILCLIENT]\r\nLOGFILE=" + std::string(260, 'L') + "\r\n",
       {"[warn] LOGFILE is longer than its 259 characters: J6Mailer keeps no log"}},
      {"[Other]\r\nMAPI=EXTENDED\r\n",
       {"[warn] section [Other] of the configuration file is not read",
        "[warn] the configuration file has no [MAILCLIENT] section: J6Mailer keeps no log and uses "
        "Simple MAPI"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string path = dir_.File("J6MailerCfg.ini");
    test::WriteFileBytes(path, c.text);
    run_ = RunState{};
    run_.configPath.Assign(path);
    Report report;
    CheckConfiguration(run_, report);
    ASSERT_FALSE(report.lines().empty());
    EXPECT_EQ(report.lines().front(), "[ok] configuration file " + path);
    std::vector<std::string> notOk;
    for (const std::string& line : report.lines()) {
      if (line.rfind("[ok]", 0) != 0) notOk.push_back(line);
    }
    EXPECT_EQ(notOk, c.notOk);
  }
}

// The log folder takes a file, which is gone again; a log that cannot be
// written is a failure.
TEST_F(ConfigurationCheckTest, LogFolderTakesAFileAndKeepsNone) {
  const std::filesystem::path logs = dir_.path() / "logs";
  std::filesystem::create_directories(logs / "j6.log.d");
  const std::string folder = test::AsWindowsPath(logs) + "\\";
  const struct {
    const char* log;
    std::vector<std::string> lines;
  } cases[] = {
      {"new.log", {"[ok] log folder " + folder + " takes new files"}},
      {"j6.log.d",
       {"[ok] log folder " + folder + " takes new files",
        "[fail] log file " + folder + "j6.log.d is a folder: J6Mailer keeps no log"}},
      {"missing\\new.log",
       {"[fail] log folder " + folder + "missing\\ does not exist: J6Mailer keeps no log"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log);
    run_.logFilePath.Assign(folder + c.log);
    Report report;
    CheckLogFolder(run_, report);
    EXPECT_EQ(report.lines(), c.lines);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(logs)) {
      left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"j6.log.d"});
  }
}

}  // namespace
}  // namespace j6::check
