// Settings read through the registry of each platform (regedit's import under
// Wine, the export file elsewhere), with the log line each read leaves.
#include "acquire/registry_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquire/host_settings.h"
#include "run/run_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/registry_import.h"
#include "tests/support/run_state_fixture.h"

namespace j6 {
namespace {

const std::string kFits(128, 'f');
const std::string kTooLong(129, 't');

class RegistrySettingsTest : public test::RunStateTest {
 protected:
  void SetUp() override {
    test::RunStateTest::SetUp();
    LogToScratch();
  }
  void Import(const std::string& text) {
    const std::string path = dir_.File("settings.reg");
    test::WriteFileBytes(path,
                         "REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\J6Test]\r\n"
                         "[-HKEY_CURRENT_USER\\ORV\\J6U99]\r\n" +
                             text);
    ASSERT_TRUE(test::ImportRegistryFile(path));
  }
  std::vector<std::string> Lines() const {
    return test::LogMessages(test::ReadFileBytes(dir_.File("run.log")));
  }
};

TEST_F(RegistrySettingsTest, ReadsValueOrDefaultAndSaysWhich) {
  Import(
      "[HKEY_CURRENT_USER\\J6Test\\S\\Mail]\r\n"
      "\"Name\"=\"Ufficio\"\r\n\"Empty\"=\"\"\r\n"
      "\"Fits\"=\"" +
      kFits + "\"\r\n\"TooLong\"=\"" + kTooLong +
      "\"\r\n"
      "\"Port\"=dword:00004241\r\n\"Zero\"=dword:00000000\r\n"
      "[HKEY_CURRENT_USER\\J6Test\\S]\r\n\"Icon\"=\"ico\"\r\n");
  const struct {
    const char* subKey;
    const char* name;
    const char* defaultText;
    std::size_t maxLength;
    long result;
    std::string text;
    std::string line;
  } cases[] = {
      {"Mail", "Name", "d", 100, 1, "Ufficio", "J6Test\\S\\Mail\\Name: Ufficio"},
      {"Mail", "Missing", "", 100, NOT_FOUND_MARKER, "",
       "J6Test\\S\\Mail\\Missing not found, use default: "},
      {"Mail", "Missing", "8000", 100, NOT_FOUND_MARKER, "8000",
       "J6Test\\S\\Mail\\Missing not found, use default: 8000"},
      {"Mail", "Empty", "no", 10, 1, "", "J6Test\\S\\Mail\\Empty: "},
      {"Mail", "Fits", "d", 200, 1, kFits, "J6Test\\S\\Mail\\Fits: " + kFits},
      {"Mail", "TooLong", "d", 200, NOT_FOUND_MARKER, "d",
       "J6Test\\S\\Mail\\TooLong not found, use default: d"},
      {"Mail", "Name", "d", 3, 1, "Uff", "J6Test\\S\\Mail\\Name: Uff"},
      {"Mail", "Missing", "default", 3, NOT_FOUND_MARKER, "def",
       "J6Test\\S\\Mail\\Missing not found, use default: def"},
      {"Mail", "Port", "d", 10, 4, "AB", "J6Test\\S\\Mail\\Port: AB"},  // bytes, not 16961
      {"Mail", "Zero", "d", 10, 4, "", "J6Test\\S\\Mail\\Zero: "},
      {nullptr, "Icon", "*", 260, 1, "ico", "J6Test\\S\\\\Icon: ico"},  // root ends in "\"
      {"Nowhere", "Icon", "*", 260, NOT_FOUND_MARKER, "*",
       "J6Test\\S\\Nowhere\\Icon not found, use default: *"},
  };
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    FixedString<300> destination("previous text");
    EXPECT_EQ(ReadSetting(c.subKey, c.name, destination, "J6Test\\S\\", c.defaultText, c.maxLength),
              c.result)
        << c.name;
    EXPECT_EQ(destination.view(), c.text) << c.name;
    expected.push_back("J6FTPara: HKEY_CURRENT_USER\\" + c.line);
  }
  EXPECT_EQ(Lines(), expected);
}

TEST_F(RegistrySettingsTest, ReadRegistryStringEmptiesTheTextWhenAbsent) {
  Import("[HKEY_CURRENT_USER\\J6Test\\S]\r\n\"Name\"=\"J6DEMO\"\r\n");
  RegistryText text("Name");
  EXPECT_EQ(ReadRegistryString("J6Test\\S", text), 1);
  EXPECT_EQ(text.view(), "J6DEMO");
  text.Assign("Other");
  EXPECT_EQ(ReadRegistryString("J6Test\\S", text), NOT_FOUND_MARKER);
  EXPECT_EQ(text.view(), "");
  text.Assign("Name");
  EXPECT_EQ(ReadRegistryString("J6Test\\Absent", text), NOT_FOUND_MARKER);
  EXPECT_EQ(text.view(), "");
}

TEST_F(RegistrySettingsTest, NetworkSwitchesAndPort) {
  const struct {
    const char* values;  // lines of the NetWork key
    std::int32_t port;
    bool networkMode;
    bool deleteAreaFile;
    std::size_t lines;  // logged by LoadNetworkSettings
  } cases[] = {
      {"\"PortNo\"=\"0\"\r\n", 8000, false, false, 5},
      {"\"PortNo\"=\"abc\"\r\n", 8000, false, false, 5},
      {"\"PortNo\"=\"25x\"\r\n\"WinNet\"=\"SI\"\r\n", 25, true, true, 8},
      {"\"WinNet\"=\"yes\"\r\n\"DelTmp\"=\"si\"\r\n", 8000, false, false, 5},
      {"\"WinNet\"=\"si\"\r\n\"DelTmp\"=\"No\"\r\n", 8000, true, false, 8},
      {"\"WinNet\"=\"Sino\"\r\n\"DelTmp\"=\"sI\"\r\n", 8000, true, true, 8},
  };
  for (const auto& c : cases) {
    Import(std::string("[HKEY_CURRENT_USER\\ORV\\J6U99\\J6Out\\NetWork]\r\n") + c.values);
    run_ = RunState{};
    SetRunLogFile(dir_.File("switches.log"));
    run_.outRoot.Assign("ORV\\J6U99\\J6Out\\");
    LoadNetworkSettings(run_);
    EXPECT_EQ(run_.port, c.port) << c.values;
    EXPECT_EQ(run_.networkMode, c.networkMode) << c.values;
    EXPECT_EQ(run_.deleteAreaFile, c.deleteAreaFile) << c.values;
    EXPECT_EQ(test::LogMessages(test::ReadFileBytes(dir_.File("switches.log"))).size(), c.lines)
        << c.values;
    std::filesystem::remove(dir_.File("switches.log"));
  }
}

}  // namespace
}  // namespace j6
