// Runs under failing surroundings: whatever breaks, the program ends with
// status 0, says what happened in its last log lines and its box, and deletes
// no area file it did not read whole. (Every answer of the transfer library,
// MAPI32 and the wrapper is tested in-process: tests/unit/document_fetch_test.cpp
// and senders_test.cpp.)
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/e2e/request_run.h"

namespace j6::test {
namespace {

const std::string kTransferError = "Errore di trasferimento del file da J6";

/// The log must end with `last`. In an expected line "net\" stands for the
/// network folder, and " * " for any one word.
void ExpectLastLines(const Outcome& outcome, const std::vector<std::string>& last) {
  ASSERT_GE(outcome.lines.size(), last.size());
  for (std::size_t i = 0; i < last.size(); ++i) {
    std::string expected = last[i];
    const std::size_t net = expected.find("net\\");
    if (net != std::string::npos) expected.replace(net, 4, outcome.netDir);
    const std::string& actual = outcome.lines[outcome.lines.size() - last.size() + i];
    const std::size_t any = expected.find(" * ");
    if (any == std::string::npos) {
      EXPECT_EQ(actual, expected);
      continue;
    }
    const std::string head = expected.substr(0, any + 1);
    const std::string tail = expected.substr(any + 2);
    EXPECT_TRUE(actual.rfind(head, 0) == 0 && actual.size() > head.size() + tail.size() &&
                actual.compare(actual.size() - tail.size(), tail.size(), tail) == 0)
        << actual << "\n  does not match " << expected;
  }
}

TEST(FaultMatrix, ConfigurationFaultsLoseTheLogOnly) {
  const struct {
    const char* name;
    std::optional<std::string> text;  // none: no file
  } cases[] = {
      {"missing", std::nullopt},
      {"empty", std::string()},
      {"binary garbage", std::string("\x00\xff[MAILCLIENT\x1a\x00LOGFILE\xfe=\r\x00MAPI", 22)},
      {"log under a plain file", std::string("[MAILCLIENT]\r\nLOGFILE=<cfg>\\x.log\r\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    world.noConfigFile = true;
    world.prepare = [&c](const InstalledProgram& program) {
      if (!c.text) return;
      std::string text = *c.text;
      const std::size_t at = text.find("<cfg>");
      if (at != std::string::npos) {
        text.replace(at, 5, AsWindowsPath(program.folder().path() / "J6MailerCfg.ini"));
      }
      program.Configure(text);
    };
    const Outcome outcome = RunRequest(world);
    EXPECT_FALSE(std::filesystem::exists(outcome.log));
    EXPECT_EQ(outcome.boxes, "");
    ASSERT_FALSE(outcome.mapiCalls.empty());  // Simple MAPI, the default, got the mail
    EXPECT_EQ(outcome.mapiCalls[0], "MAPISendMail session=0 ui=0 flags=1 reserved=0");
  }
}

// A log path too long for its field is no log at all: cut, it named a file
// of its own, which the run wrote.
TEST(FaultMatrix, LogPathLongerThanItsFieldMeansNoLog) {
  InstalledProgram program;
  const std::string folder = AsWindowsPath(program.folder().path());
  const std::string log = folder + "\\" + std::string(264 - folder.size() - 1, 'L');
  ASSERT_EQ(log.size(), 264u);
  program.Configure("[MAILCLIENT]\r\nLOGFILE=" + log + "\r\n");
  const ChildResult result = program.Run("");
  EXPECT_EQ(result.boxes, UsageBox());
  for (const auto& entry : std::filesystem::directory_iterator(program.folder().path())) {
    EXPECT_NE(entry.path().filename().string().front(), 'L') << entry.path();
  }
}

TEST(FaultMatrix, RegistryValuesOfEveryTypeAndLength) {
  std::string long4096 = "hex:6e";
  for (int i = 1; i < 4096; ++i) long4096 += ",6e";
  const std::string out = "[HKEY_CURRENT_USER\\ORV\\J6A01\\J6Out";
  World world;
  world.registryText = "REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\ORV]\r\n\r\n" + out + "\\Mail]\r\n" +
                       "\"MailFromName\"=\"" + std::string(128, 'n') + "\"\r\n" +
                       "\"MailFromEmail\"=\"" + std::string(129, 'e') + "\"\r\n" + out +
                       "\\NetWork]\r\n" +
                       "\"PortNo\"=dword:00003532\r\n"            // the bytes "25"
                       "\"WinNet\"=hex:73,69\r\n"                 // "si", no zero
                       "\"KeepBmp\"=\"\"\r\n"                     // empty, not the default
                       "\"DelDoc\"=hex(7):61,00,62,00,00,00\r\n"  // a list: its first text
                       "\"DelTmp\"=" +
                       long4096 +
                       "\r\n"  // too long: the default
                       "\"NetDir\"=\"<net>\"\r\n" +
                       out + "\\Setup]\r\n" +
                       "\"ServerName\"=hex(2):73,72,76,00\r\n"
                       "\"SpoolDir\"=\"\\\\\\\\srv\\\\spool\\\\\"\r\n";
  const Outcome outcome = RunRequest(world);
  const std::string key = "J6FTPara: HKEY_CURRENT_USER\\ORV\\J6A01\\J6Out\\";
  const std::vector<std::string> settings(outcome.acquisitionLines.begin() + 3,
                                          outcome.acquisitionLines.end());
  const std::string glDirSys =
      "J6FTPara: HKEY_CURRENT_USER\\ORV\\J6A01\\J6Cli\\Setup\\GL_DirSys not found, use default: ?";
  EXPECT_EQ(settings, (std::vector<std::string>{
                          key + "Mail\\MailFromName: " + std::string(100, 'n'),
                          key + "Mail\\MailFromEmail not found, use default: ",
                          key + "NetWork\\PortNo: 25",
                          key + "NetWork\\WinNet: si",
                          key + "NetWork\\KeepBmp: ",
                          key + "NetWork\\DelDoc: a",
                          key + "NetWork\\DelTmp not found, use default: si",
                          key + "NetWork\\NetDir: " + outcome.netDir,
                          glDirSys,
                          key + "Setup\\ServerName: srv",
                          key + "Setup\\SpoolDir: \\\\srv\\spool\\",
                      }));
  EXPECT_EQ(outcome.calls, std::vector<std::string>{"j6tf(srv|\\\\srv\\spool\\PRT\\R1|" +
                                                    outcome.netDir + "SPOOL\\DOCA01|25)"});
  EXPECT_FALSE(outcome.areaFileLeft);
  EXPECT_EQ(outcome.boxes, "");
}

TEST(FaultMatrix, AreaFileFaults) {
  const std::string notRead = "J6FTPara: i/o error reading cobol area file net\\mqbox\\A01";
  const std::string spool =
      "J6FTPara: HKEY_CURRENT_USER\\ORV\\J6A01\\J6Out\\Setup\\SpoolDir: "
      "\\\\srv\\spool\\";
  std::string huge = AreaRecordBytes(AreaRequest{});
  huge.resize(100000, '\xff');
  const struct {
    const char* name;
    std::optional<std::string> bytes;
    std::optional<std::string> netDir;
    std::vector<std::string> last;  // the acquisition's last lines
    bool folder;
    bool failed;
    bool fileLeft;
  } cases[] = {
      {"empty", std::string(), std::nullopt, {notRead, kTransferError}, false, true, true},
      {"511 bytes",
       std::string(511, ' '),
       std::nullopt,
       {notRead, kTransferError},
       false,
       true,
       true},
      {"512 bytes", AreaRecordBytes(AreaRequest{}), std::nullopt, {spool}, false, false, false},
      {"100000 bytes", huge, std::nullopt, {spool}, false, false, false},
      // Windows cannot open a folder as a file; elsewhere it opens and cannot be read.
      {"a folder",
       std::nullopt,
       std::nullopt,
       {"J6FTPara: * cobol area file net\\mqbox\\A01", kTransferError},
       true,
       true,
       true},
      {"network folder missing",
       std::nullopt,
       std::string("Q:\\nowhere\\"),
       {"J6FTPara: could not open cobol area file Q:\\nowhere\\mqbox\\A01", kTransferError},
       false,
       true,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    world.areaFileBytes = c.bytes;
    world.areaFileIsFolder = c.folder;
    world.netDir = c.netDir;
    const Outcome outcome = RunRequest(world);
    if (c.failed) {
      ExpectLastLines(outcome, c.last);
    } else {
      ASSERT_FALSE(outcome.acquisitionLines.empty());
      EXPECT_EQ(outcome.acquisitionLines.back(), c.last.back());
    }
    EXPECT_EQ(outcome.boxes, c.failed ? TransferErrorBox() : "");
    EXPECT_EQ(outcome.areaFileLeft, c.fileLeft);
    EXPECT_EQ(outcome.calls.empty(), c.failed);
  }
}

}  // namespace
}  // namespace j6::test
