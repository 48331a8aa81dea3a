#include "acquire/document_fetch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "acquire/transfer_library.h"
#include "tests/doubles/in_process/libraries.h"
#include "tests/support/log_lines.h"
#include "tests/support/run_state_fixture.h"

namespace j6 {
namespace {

AreaRecord RecordWithDocumentRef(const std::string& ref) {
  AreaRecord record;
  record.bytes.fill(' ');
  std::memcpy(record.bytes.data() + 1, ref.data(), ref.size());
  return record;
}

TEST(RemoteDocumentPath, SpoolFolderStandsInForTheStepsUp) {
  const struct {
    const char* spoolDir;
    const char* documentRef;
    const char* remote;
  } cases[] = {
      {"\\\\srv\\spool\\", "..\\..\\PRT\\R1", "\\\\srv\\spool\\PRT\\R1"},
      {"\\\\srv\\spool\\", "C:\\OUT\\R1", "C:\\OUT\\R1"},
      {"Default", "..\\R1", "DefaultR1"},
      {"D:\\Spool\\   ", "..\\R1   ", "D:\\Spool\\R1"},
      {"S\\", "A\\..\\B\\..\\C", "S\\C"},  // the last step counts
      {"S\\", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RemoteDocumentPath(c.spoolDir, RecordWithDocumentRef(c.documentRef)), c.remote)
        << c.documentRef;
  }
}

TEST(RemoteDocumentPath, SearchReachesIntoTheBytesAfterTheField) {
  // A step found at offset 97 or later leaves nothing of the field to add.
  AreaRecord record = RecordWithDocumentRef("R1");
  std::memcpy(record.bytes.data() + 98, "..\\", 3);
  EXPECT_EQ(RemoteDocumentPath("S\\", record), "S\\");
  // A step at offset 96 adds offset 99 alone.
  record = RecordWithDocumentRef("R1");
  std::memcpy(record.bytes.data() + 96, "..\\X", 4);
  EXPECT_EQ(RemoteDocumentPath("S\\", record), "S\\X");
}

TEST(RemoteDocumentPath, ZeroByteEndsTheCopiedPath) {
  AreaRecord record = RecordWithDocumentRef("C:\\OUT\\R1");
  record.bytes[5] = '\0';
  EXPECT_EQ(RemoteDocumentPath("S\\", record), "C:\\O");
  record = RecordWithDocumentRef("..\\AB");
  record.bytes[5] = '\0';
  EXPECT_EQ(RemoteDocumentPath("S\\", record), "S\\A");
}

using TransferTest = test::RunStateTest;

// J6TFN with the port, else J6TF without it; a library without j6tf is
// broken, and the other one is not tried in its place.
TEST_F(TransferTest, CallsJ6tfnElseJ6tfAndSaysWhenNeitherCanBeCalled) {
  const struct {
    const char* name;
    std::map<std::string, doubles::Exports> libraries;
    TransferCall outcome;
    std::vector<std::string> lines;
    std::vector<bool> callsWithPort;
  } cases[] = {
      {"J6TFN first",
       {{"J6TFN", doubles::TransferExports(true)}, {"J6TF", doubles::TransferExports(false)}},
       TransferCall::kCalled,
       {},
       {true}},
      {"J6TF alone gets three arguments",
       {{"J6TF", doubles::TransferExports(false)}},
       TransferCall::kCalled,
       {},
       {false}},
      {"J6TFN without j6tf does not fall back",
       {{"J6TFN", doubles::Exports()}, {"J6TF", doubles::TransferExports(false)}},
       TransferCall::kNoLibrary,
       {"J6FTPara: cannot call j6tf (J6TFN)"},
       {}},
      {"J6TF without j6tf",
       {{"J6TF", doubles::Exports()}},
       TransferCall::kNoLibrary,
       {"J6FTPara: cannot call j6tf"},
       {}},
      {"no transfer library", {}, TransferCall::kNoLibrary, {"J6FTPara: cannot open J6TF.dll"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string log = dir_.File(std::string(c.name) + ".log");
    SetRunLogFile(log);
    doubles::Transfer() = doubles::TransferRecord{};
    doubles::InProcessLibraries libraries(c.libraries);
    EXPECT_EQ(EseguiTF(25, "srv", "\\\\srv\\spool\\R1", "C:\\net\\SPOOL\\DOCA01"), c.outcome);
    EXPECT_EQ(test::LogMessages(test::ReadFileBytes(log)), c.lines);
    std::vector<bool> withPort;
    for (const doubles::TransferCall& call : doubles::Transfer().calls) {
      withPort.push_back(call.withPort);
      EXPECT_EQ(call.server.text, "srv");
      EXPECT_EQ(call.remote.text, "\\\\srv\\spool\\R1");
      EXPECT_EQ(call.local.text, "C:\\net\\SPOOL\\DOCA01");
      EXPECT_EQ(call.port, call.withPort ? 25 : 0);
    }
    EXPECT_EQ(withPort, c.callsWithPort);
    EXPECT_EQ(libraries.open(), 0);  // freed after the call, and when it lacks j6tf
  }
}

}  // namespace
}  // namespace j6
