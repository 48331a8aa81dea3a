// Whole runs of the program up to the fetched document: registry settings,
// area file and transfer library, with transfer libraries built for the
// tests that record how they were called.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/e2e/request_run.h"
#include "tests/support/registry_import.h"

namespace j6::test {
namespace {

TEST(Acquisition, MultiServerNetworkRunLogsEverySettingInOrder) {
  const Outcome outcome = RunRequest(World{});
  EXPECT_EQ(outcome.acquisitionLines, TypicalAcquisitionLines(outcome.netDir));
  EXPECT_EQ(outcome.calls, std::vector<std::string>{"j6tf(srv|\\\\srv\\spool\\PRT\\R1|" +
                                                    outcome.netDir + "SPOOL\\DOCA01|25)"});
  EXPECT_EQ(outcome.boxes, "");
  EXPECT_FALSE(outcome.areaFileLeft);  // "DelTmp" is yes unless set otherwise
}

TEST(Acquisition, MonoServerReadsNoServerSettings) {
  World world;
  world.area = "123";
  const Outcome outcome = RunRequest(world);
  ASSERT_GE(outcome.acquisitionLines.size(), 2u);
  EXPECT_EQ(outcome.acquisitionLines[0], "J6FTPara: MONO-SERVER");
  EXPECT_EQ(outcome.acquisitionLines[1],
            "J6FTPara: HKEY_CURRENT_USER\\ORV\\J6\\J6Out\\Mail\\MailFromName: Ufficio");
  EXPECT_EQ(outcome.calls, std::vector<std::string>{"j6tf(srv|\\\\srv\\spool\\PRT\\R1|" +
                                                    outcome.netDir + "SPOOL\\DOC123|25)"});
}

/// How a run ends: the last log lines before "J6Mailer: End" and the calls.
struct EndingCase {
  const char* name;
  World world;
  std::vector<std::string> lastLines;  // checked against the end of the log
  std::vector<std::string> calls;      // "local" stands for the local document path
  bool transferError;
  bool areaFileLeft;
  const char* document = nullptr;  // what is left at the local path; null: not checked
};

/// Leaves an earlier request's document, or a folder, at the local path.
std::function<void(const InstalledProgram&)> LeaveAtLocalPath(bool folder) {
  return [folder](const InstalledProgram& program) {
    const std::filesystem::path local = program.elsewhere().path() / "net" / "SPOOL" / "DOCA01";
    if (folder) {
      std::filesystem::create_directories(local / "inside");
    } else {
      WriteFileBytes(local.string(), "another customer's invoice");
    }
  };
}

// What only the transfer library's answer decides is tested in-process
// (tests/unit/document_fetch_test.cpp).
std::vector<EndingCase> EndingCases() {
  const std::string error = "Errore di trasferimento del file da J6";
  const std::string spool = "SpoolDir: \\\\srv\\spool\\";
  std::vector<EndingCase> cases;
  {
    EndingCase c{"screen output is refused after the transfer", {}, {}, {}, true, false};
    c.world.request.outputDevice = "*VIDEO";
    c.lastLines = {spool, "Output errato (*VIDEO)", error};
    c.calls = {"j6tf(srv|\\\\srv\\spool\\PRT\\R1|local|25)"};
    cases.push_back(c);
  }
  {
    EndingCase c{"lower-case *video is not refused", {}, {}, {}, false, false};
    c.world.request.outputDevice = "*video";
    c.lastLines = {spool};
    c.calls = {"j6tf(srv|\\\\srv\\spool\\PRT\\R1|local|25)"};
    cases.push_back(c);
  }
  {
    EndingCase c{"a document that did not arrive", {}, {}, {}, true, false};
    c.world.delivery = "1";
    c.lastLines = {spool, "J6FTPara: document not received local", error};
    c.calls = {"j6tf(srv|\\\\srv\\spool\\PRT\\R1|local|25)"};
    cases.push_back(c);
  }
  {
    EndingCase c{"a stale document is not taken for this one's", {}, {}, {}, true, false, ""};
    c.world.delivery = "1";
    c.world.prepare = LeaveAtLocalPath(false);
    c.lastLines = {spool, "J6FTPara: document not received local", error};
    c.calls = {"j6tf(srv|\\\\srv\\spool\\PRT\\R1|local|25)"};
    cases.push_back(c);
  }
  {
    EndingCase c{"nor with a blank document field", {}, {}, {}, true, false, ""};
    c.world.delivery = "1";
    c.world.request.documentRef = "";
    c.world.prepare = LeaveAtLocalPath(false);
    c.lastLines = {spool, "J6FTPara: document not received local", error};
    c.calls = {"j6tf(srv||local|25)"};
    cases.push_back(c);
  }
  {
    EndingCase c{"an empty document", {}, {}, {}, true, false, ""};
    c.world.delivery = "empty";
    c.lastLines = {spool, "J6FTPara: document not received local", error};
    c.calls = {"j6tf(srv|\\\\srv\\spool\\PRT\\R1|local|25)"};
    cases.push_back(c);
  }
  {
    EndingCase c{"what cannot be cleared from the local path", {}, {}, {}, true, false};
    c.world.prepare = LeaveAtLocalPath(true);
    c.lastLines = {spool, "J6FTPara: could not clear local", error};
    cases.push_back(c);
  }
  {
    EndingCase c{"a spool folder longer than its field", {}, {}, {}, true, false};
    c.world.spoolDir = "\\\\srv\\" + std::string(95, 's') + "\\";
    c.lastLines = {"SpoolDir: \\\\srv\\sss", "J6FTPara: SpoolDir is too long", error};
    cases.push_back(c);
  }
  {
    EndingCase c{"network mode off: no local path, file kept", {}, {}, {}, false, true};
    c.world.winNet = "yes";
    c.world.delTmp = "si";
    c.lastLines = {spool};
    c.calls = {"j6tf(srv|\\\\srv\\spool\\PRT\\R1||25)"};
    cases.push_back(c);
  }
  {
    EndingCase c{"DelTmp no keeps the area file", {}, {}, {}, false, true};
    c.world.delTmp = "NO";
    c.world.winNet = "SI";
    c.lastLines = {spool};
    c.calls = {"j6tf(srv|\\\\srv\\spool\\PRT\\R1|local|25)"};
    cases.push_back(c);
  }
  {
    EndingCase c{"absolute document path replaces the spool folder", {}, {}, {}, false, false};
    c.world.request.documentRef = "C:\\OUT\\R1";
    c.lastLines = {spool};
    c.calls = {"j6tf(srv|C:\\OUT\\R1|local|25)"};
    cases.push_back(c);
  }
  {
    EndingCase c{"no area file", {}, {}, {}, true, false};
    c.world.areaFileSize = 0;
    c.lastLines = {"J6FTPara: could not open cobol area file net-mqbox-A01", error};
    cases.push_back(c);
  }
  {
    EndingCase c{"short area file is kept", {}, {}, {}, true, true};
    c.world.areaFileSize = 511;
    c.lastLines = {"J6FTPara: i/o error reading cobol area file net-mqbox-A01", error};
    cases.push_back(c);
  }
  {
    EndingCase c{"longer area file is read", {}, {}, {}, false, false};
    c.world.areaFileSize = 600;
    c.lastLines = {spool};
    c.calls = {"j6tf(srv|\\\\srv\\spool\\PRT\\R1|local|25)"};
    cases.push_back(c);
  }
#ifdef J6_DOUBLE_J6TFN_STDCALL
  {
    EndingCase c{"__stdcall J6TFN", {}, {}, {}, false, false};
    c.world.libraries = {J6_DOUBLE_J6TFN_STDCALL, J6_DOUBLE_MAPI32};
    c.lastLines = {spool};
    c.calls = {"j6tf(srv|\\\\srv\\spool\\PRT\\R1|local|25)"};
    cases.push_back(c);
  }
  {
    EndingCase c{"__stdcall J6TF", {}, {}, {}, false, false};
    c.world.libraries = {J6_DOUBLE_J6TF_STDCALL, J6_DOUBLE_MAPI32};
    c.lastLines = {spool};
    c.calls = {"j6tf(srv|\\\\srv\\spool\\PRT\\R1|local)"};
    cases.push_back(c);
  }
#endif
  return cases;
}

std::string Expand(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at; (at = text.find(from)) != std::string::npos;)
    text.replace(at, from.size(), to);
  return text;
}

TEST(Acquisition, EndsAsTheSettingsLibrariesAndRecordSay) {
  for (const EndingCase& c : EndingCases()) {
    SCOPED_TRACE(c.name);
    const Outcome outcome = RunRequest(c.world);
    const std::string local = outcome.netDir + "SPOOL\\DOCA01";
    const std::string areaFile = outcome.netDir + "mqbox\\A01";
    ASSERT_GE(outcome.acquisitionLines.size(), c.lastLines.size());
    for (std::size_t i = 0; i < c.lastLines.size(); ++i) {
      const std::string& actual =
          outcome.acquisitionLines[outcome.acquisitionLines.size() - c.lastLines.size() + i];
      const std::string expected =
          Expand(Expand(c.lastLines[i], "net-mqbox-A01", areaFile), " local", " " + local);
      if (expected.rfind("SpoolDir", 0) == 0) {
        EXPECT_NE(actual.find(expected), std::string::npos) << actual;
      } else {
        EXPECT_EQ(actual, expected);
      }
    }
    std::vector<std::string> calls;
    for (const std::string& call : c.calls) calls.push_back(Expand(call, "|local", "|" + local));
    EXPECT_EQ(outcome.calls, calls);
    EXPECT_EQ(outcome.boxes, c.transferError ? TransferErrorBox() : "");
    EXPECT_EQ(outcome.areaFileLeft, c.areaFileLeft);
    if (c.document != nullptr) {
      EXPECT_EQ(outcome.document, c.document);
    }
  }
}

// A name that steps out of the drop folder must not reach, or delete, a file
// there, not even a valid request. A device name would open the device
// (under Wine a serial port, where the run waited for good).
TEST(Acquisition, AreaNamesWithPathCharactersOrOfDevicesAreRefused) {
  const struct {
    const char* area;
    const char* fileItWouldReach;  // relative to mqbox; null: none made
  } cases[] = {{"..\\A01", "../A01"},
               {"../A01", "../A01"},
               {"A\\B", "A/B"},
               {"COM1", nullptr},
               {"aux.txt", nullptr}};
  for (const auto& c : cases) {
    const std::string area = c.area;
    SCOPED_TRACE(area);
    World world;
    world.area = area;
    if (c.fileItWouldReach != nullptr) {
      world.areaFileName = c.fileItWouldReach;
    } else {
      world.areaFileSize = 0;
    }
    const Outcome outcome = RunRequest(world);
    ASSERT_GE(outcome.acquisitionLines.size(), 2u);
    EXPECT_EQ(outcome.acquisitionLines[outcome.acquisitionLines.size() - 2],
              "J6FTPara: could not open cobol area file " + outcome.netDir + "mqbox\\" + area);
    EXPECT_TRUE(outcome.calls.empty());
    EXPECT_EQ(outcome.boxes, TransferErrorBox());
    EXPECT_EQ(outcome.areaFileLeft, c.fileItWouldReach != nullptr);
  }
}

// A network folder cut to its field named a sibling folder, whose request
// was mailed and deleted. Too long a path is never used.
TEST(Acquisition, NetworkFolderLongerThanItsFieldIsNeverUsed) {
  const Scene scene(World{});
  // The setting is 106 characters; its first 100 name a sibling folder that
  // holds a request of its own.
  const std::string siblingName(100 - scene.netDir().size(), 'n');
  const std::string setting = scene.netDir() + siblingName + "-long\\";
  std::filesystem::create_directories(scene.NetFile(siblingName + "/mqbox"));
  const std::string siblingRequest = scene.NetFile(siblingName + "/mqbox/A01");
  WriteFileBytes(siblingRequest, AreaRecordBytes(AreaRequest{}));
  const std::string regFile = scene.program().folder().File("long.reg");
  WriteFileBytes(regFile,
                 "REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\ORV]\r\n\r\n"
                 "[HKEY_CURRENT_USER\\ORV\\J6A01\\J6Out\\NetWork]\r\n\"WinNet\"=\"si\"\r\n"
                 "\"NetDir\"=" +
                     RegString(setting) + "\r\n");
  ASSERT_TRUE(ImportRegistryFile(regFile));

  const ChildResult result = scene.program().Run("A01");
  const Outcome outcome = scene.Report(result);
  ASSERT_GE(outcome.acquisitionLines.size(), 3u);
  const auto last = outcome.acquisitionLines.end();
  EXPECT_EQ(std::vector<std::string>(last - 3, last),
            (std::vector<std::string>{
                "J6FTPara: HKEY_CURRENT_USER\\ORV\\J6A01\\J6Out\\NetWork\\NetDir: " +
                    setting.substr(0, 100),
                "J6FTPara: NetDir is too long", "Errore di trasferimento del file da J6"}));
  EXPECT_EQ(outcome.boxes, TransferErrorBox());
  EXPECT_TRUE(outcome.calls.empty());
  EXPECT_EQ(ReadFileBytes(siblingRequest), AreaRecordBytes(AreaRequest{}));
}

}  // namespace
}  // namespace j6::test
