#include "acquire/area_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run/run_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/run_state_fixture.h"
#include "tests/support/scoped_outside.h"

namespace j6 {
namespace {

TEST(AreaPathIn, AddsABackslashOnlyWhereMissing) {
  EXPECT_EQ(AreaPathIn("C:\\Temp\\", "mqbox\\A01"), "C:\\Temp\\mqbox\\A01");
  EXPECT_EQ(AreaPathIn("D:\\Net", "mqbox\\A01"), "D:\\Net\\mqbox\\A01");
  EXPECT_EQ(AreaPathIn("", "SPOOL\\DOCA01"), "\\SPOOL\\DOCA01");
}

class AreaFileTest : public test::RunStateTest {
 protected:
  void SetUp() override {
    test::RunStateTest::SetUp();
    std::filesystem::create_directories(dir_.path() / "mqbox");
    run_.networkDir.Assign(test::AsWindowsPath(dir_.path()));  // no trailing backslash
    LogToScratch();
  }
  std::string AreaFile(const std::string& name) const {
    return (dir_.path() / "mqbox" / name).string();
  }
  std::string Built(const std::string& name) const {
    return test::AsWindowsPath(dir_.path()) + "\\mqbox\\" + name;
  }
  std::vector<std::string> Lines() const {
    return test::LogMessages(test::ReadFileBytes(dir_.File("run.log")));
  }
};

TEST_F(AreaFileTest, ReadsTheFirst512BytesOfAWholeRecord) {
  const struct {
    std::size_t size;
    bool read;
  } cases[] = {{511, false}, {512, true}, {600, true}, {0, false}};
  for (const auto& c : cases) {
    std::string bytes(c.size, 'r');
    if (c.size >= 512) bytes[511] = 'z';
    test::WriteFileBytes(AreaFile("A01"), bytes);
    run_.record = AreaRecord{};
    EXPECT_EQ(ReadAreaFile(run_, "A01"), c.read) << c.size;
    EXPECT_EQ(run_.areaFilePath.view(), Built("A01"));
    if (c.read) {
      EXPECT_EQ(run_.record.bytes[511], 'z');
    }
    EXPECT_TRUE(std::filesystem::exists(AreaFile("A01")));  // network mode is off
  }
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "J6FTPara: i/o error reading cobol area file " + Built("A01"),
                         "J6FTPara: i/o error reading cobol area file " + Built("A01")}));
}

TEST_F(AreaFileTest, DeletesOnlyAWholeRecordInNetworkModeWithDelTmp) {
  const struct {
    std::size_t size;
    bool networkMode;
    bool deleteAreaFile;
    bool deleted;
  } cases[] = {{512, true, true, true},
               {512, true, false, false},
               {512, false, true, false},
               {511, true, true, false}};
  for (const auto& c : cases) {
    test::WriteFileBytes(AreaFile("A01"), std::string(c.size, ' '));
    run_.networkMode = c.networkMode;
    run_.deleteAreaFile = c.deleteAreaFile;
    ReadAreaFile(run_, "A01");
    EXPECT_EQ(!std::filesystem::exists(AreaFile("A01")), c.deleted)
        << c.networkMode << c.deleteAreaFile << c.size;
  }
}

bool CannotDelete(const std::string& /*path*/) { return false; }

// The request was read whole; a delete that fails (the host still holds the
// file) is no reason to drop it, and says nothing.
TEST_F(AreaFileTest, AFailedDeleteIsIgnored) {
  test::ScopedOutside outside;
  outside->deleteFile = &CannotDelete;
  test::WriteFileBytes(AreaFile("A01"), std::string(512, ' '));
  run_.networkMode = true;
  run_.deleteAreaFile = true;
  EXPECT_TRUE(ReadAreaFile(run_, "A01"));
  EXPECT_TRUE(std::filesystem::exists(AreaFile("A01")));
  EXPECT_TRUE(Lines().empty());
}

TEST_F(AreaFileTest, FileNameIsTheAreaNamesFirst29Characters) {
  const std::string name(40, 'N');
  test::WriteFileBytes(AreaFile(name.substr(0, 29)), std::string(512, ' '));
  EXPECT_TRUE(ReadAreaFile(run_, name));
  EXPECT_EQ(run_.areaFilePath.view(), Built(name.substr(0, 29)));
}

TEST_F(AreaFileTest, MissingFileAndPathCharactersAreNotOpened) {
  test::WriteFileBytes(dir_.File("A01"), std::string(512, ' '));
  for (const char* name : {"B02", "..\\A01", "../A01", "C:A01", "x/..\\..\\A01"}) {
    EXPECT_FALSE(ReadAreaFile(run_, name)) << name;
  }
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "J6FTPara: could not open cobol area file " + Built("B02"),
                         "J6FTPara: could not open cobol area file " + Built("..\\A01"),
                         "J6FTPara: could not open cobol area file " + Built("../A01"),
                         "J6FTPara: could not open cobol area file " + Built("C:A01"),
                         "J6FTPara: could not open cobol area file " + Built("x/..\\..\\A01")}));
}

}  // namespace
}  // namespace j6
