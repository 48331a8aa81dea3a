// The run driver in-process: the area file, the transfer library, MAPI32 and
// the message box are played through the outside table, so every way a run
// can end is reached without starting a process.
#include "app/run_mailer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "tests/doubles/in_process/libraries.h"
#include "tests/support/area_request.h"
#include "tests/support/environment.h"
#include "tests/support/log_lines.h"
#include "tests/support/run_state_fixture.h"
#include "tests/support/scoped_outside.h"

namespace j6 {
namespace {

// What the area file holds (none: it cannot be opened), and where a copy of
// those bytes lies for the fake open to hand out.
std::optional<std::string> areaBytes;
std::string areaCopy;

std::FILE* OpenWithAreaFile(const std::string& path, const char* mode) {
  if (!platform::EndsWithIgnoringAsciiCase(path, "\\mqbox\\Z99")) {
    return platform::NativeOutside().openFile(path, mode);
  }
  if (!areaBytes) return nullptr;
  test::WriteFileBytes(areaCopy, *areaBytes);
  return std::fopen(areaCopy.c_str(), mode);
}

class RunMailerTest : public test::RunStateTest {
 protected:
  void SetUp() override {
    test::RunStateTest::SetUp();
    LogToScratch();
    // No settings at all: network mode off, the default network folder.
    test::SetEnvironment("J6MAILER_REGISTRY", dir_.File("none.reg"));
    areaCopy = dir_.File("area-copy");
    outside_->openFile = &OpenWithAreaFile;
    outside_->showMessageBox = &doubles::ShowBox;
    doubles::Boxes().clear();
    doubles::Simple() = doubles::SimpleRecord{};
  }
  std::vector<std::string> Lines() const {
    return test::LogMessages(test::ReadFileBytes(dir_.File("run.log")));
  }
  test::ScopedOutside outside_;
};

TEST_F(RunMailerTest, EndsWithTheBoxOfWhatFailed) {
  const std::string transferBox =
      "J6Mailer - Office 2007 Edition: Email non spedita: errore di trasferimento file da J6";
  const std::string notSentBox =
      "J6Mailer - Office 2007 Edition: Email not sent.\n\nTo: !anna@example.com;bruno@example.com"
      "\nSubject: Fattura 17\n\nGentile cliente,\nCordiali saluti";
  const std::string record = test::AreaRecordBytes(test::AreaRequest{});
  test::AreaRequest waiting;
  waiting.outputDevice = "*MAILWT";
  const std::string mailWait = test::AreaRecordBytes(waiting);
  const struct {
    const char* name;
    std::optional<std::string> area;
    std::uint32_t mapiResult;
    HandOverKind kind;
    std::vector<std::string> lastLines;
    std::vector<std::string> boxes;
  } cases[] = {
      {"no area file",
       std::nullopt,
       0,
       HandOverKind::kSimple,
       {"J6FTPara: could not open cobol area file C:\\Temp\\mqbox\\Z99",
        "Errore di trasferimento del file da J6"},
       {transferBox}},
      {"a short read",
       record.substr(0, 300),
       0,
       HandOverKind::kSimple,
       {"J6FTPara: i/o error reading cobol area file C:\\Temp\\mqbox\\Z99",
        "Errore di trasferimento del file da J6"},
       {transferBox}},
      {"not sent", record, 2, HandOverKind::kSimple, {"Send MAPI Error : 2"}, {notSentBox}},
      {"sent", record, 0, HandOverKind::kSimple, {"Sent successfully"}, {}},
      // Only Simple MAPI's form has always reported a cancel as not sent.
      {"cancelled in the form",
       mailWait,
       1,
       HandOverKind::kSimple,
       {"MailWait User Cancel"},
       {notSentBox}},
      {"cancelled in the wrapper's form",
       mailWait,
       0,
       HandOverKind::kExtended,
       {"MailWait User Cancel"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    run_ = RunState{};
    LogToScratch();
    areaBytes = c.area;
    doubles::Boxes().clear();
    doubles::Simple().result = c.mapiResult;
    doubles::Extended() = doubles::ExtendedRecord{};
    doubles::Extended().formResult = 2;
    doubles::InProcessLibraries libraries({{"J6TFN", doubles::TransferExports(true)},
                                           {"MAPI32", doubles::Mapi32Exports()},
                                           {"MAPIEx", doubles::MapiExExports()}});
    run_.handOver = c.kind;
    RunMailer(run_, "Z99");
    const std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), c.lastLines.size());
    EXPECT_EQ(
        std::vector<std::string>(lines.end() - static_cast<long>(c.lastLines.size()), lines.end()),
        c.lastLines);
    EXPECT_EQ(doubles::Boxes(), c.boxes);
    EXPECT_EQ(libraries.open(), 0);
  }
}

// Record fields' CR and LF start no log line; the body's joining line feeds do.
TEST_F(RunMailerTest, RecordLineBreaksStartNoLogLine) {
  test::AreaRequest request;
  request.subject = "F\r\nBcc: evil@y.com";
  request.bodyLine1 = "Gentile\r\n";
  request.bodyLine3 = "Bcc: evil@y.com\n";
  areaBytes = test::AreaRecordBytes(request);
  doubles::InProcessLibraries libraries(
      {{"J6TFN", doubles::TransferExports(true)}, {"MAPI32", doubles::Mapi32Exports()}});
  RunMailer(run_, "Z99");
  EXPECT_EQ(test::StartingWith(Lines(), "UNSTAMPED: "),
            std::vector<std::string>{"UNSTAMPED: Bcc: evil@y.com\\n"});
}

}  // namespace
}  // namespace j6
