#include "acquire/document_fetch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

}  // namespace
}  // namespace j6
