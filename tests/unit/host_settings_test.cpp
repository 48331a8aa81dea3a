#include "acquire/host_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/run_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/registry_import.h"
#include "tests/support/run_state_fixture.h"

namespace j6 {
namespace {

TEST(PortFromText, ReadsTheLeadingNumberOr8000) {
  const struct {
    const char* text;
    std::int32_t port;
  } cases[] = {
      {"8000", 8000},       {"25", 25},           {"25x", 25},
      {"  42", 42},         {"\t7", 7},           {"+9", 9},
      {"-5", -5},           {"0", 8000},          {"", 8000},
      {"abc", 8000},        {"x25", 8000},        {"2147483647", 2147483647},
      {"2147483648", 8000}, {"9999999999", 8000}, {"-2147483648", -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(PortFromText(c.text), c.port) << c.text;
}

TEST(IsYes, FirstTwoCharactersSiInAnyCase) {
  const struct {
    const char* text;
    bool yes;
  } cases[] = {{"si", true}, {"SI", true}, {"Si", true},   {"sino", true}, {"SIno", true},
               {"s", false}, {"", false},  {"yes", false}, {"no", false},  {" si", false}};
  for (const auto& c : cases) EXPECT_EQ(IsYes(c.text), c.yes) << c.text;
}

class ServerModeTest : public test::RunStateTest {
 protected:
  void SetUp() override {
    test::RunStateTest::SetUp();
    // None of the keys read here: every setting falls back to its default.
    const std::string path = dir_.File("empty.reg");
    test::WriteFileBytes(path,
                         "REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\ORV\\J6XY]\r\n"
                         "[-HKEY_CURRENT_USER\\ORV\\J6U99]\r\n");
    ASSERT_TRUE(test::ImportRegistryFile(path));
    LogToScratch();
  }
  std::vector<std::string> Lines() const {
    return test::LogMessages(test::ReadFileBytes(dir_.File("run.log")));
  }
};

TEST_F(ServerModeTest, RootsFollowTheAreaNamesFirstCharacters) {
  const struct {
    const char* area;
    ServerMode mode;
    const char* outRoot;
    const char* clientRoot;
  } cases[] = {
      {"123", ServerMode::kMono, "ORV\\J6\\J6Out\\", "ORV\\J6\\J6Cli\\"},
      {"0AB", ServerMode::kMono, "ORV\\J6\\J6Out\\", "ORV\\J6\\J6Cli\\"},
      {"A01", ServerMode::kMulti, "ORV\\J6A01\\J6Out\\", "ORV\\J6A01\\J6Cli\\"},
      {"XY", ServerMode::kMulti, "ORV\\J6XY\\J6Out\\", "ORV\\J6XY\\J6Cli\\"},
      {"A0123456", ServerMode::kMulti, "ORV\\J6A01\\J6Out\\", "ORV\\J6A01\\J6Cli\\"},
      {"A ", ServerMode::kMulti, "ORV\\J6A \\J6Out\\", "ORV\\J6A \\J6Cli\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SelectServerMode(run_, c.area), c.mode) << c.area;
    EXPECT_EQ(run_.outRoot.view(), c.outRoot) << c.area;
    EXPECT_EQ(run_.clientRoot.view(), c.clientRoot) << c.area;
  }
}

TEST_F(ServerModeTest, MultiServerLogsServerNameAndIcon) {
  SelectServerMode(run_, "XY");
  SelectServerMode(run_, "123");
  const std::vector<std::string> expected = {
      "J6FTPara: MULTI-SERVER",
      "J6FTPara: HKEY_CURRENT_USER\\ORV\\J6XY\\NomeServer not found, use default: XY",
      "J6FTPara: HKEY_CURRENT_USER\\ORV\\J6XY\\J6Out\\\\FileIcon not found, use default: *",
      "J6FTPara: MONO-SERVER",
  };
  EXPECT_EQ(Lines(), expected);
}

TEST_F(ServerModeTest, NetworkSettingsDefaults) {
  SelectServerMode(run_, "U99");
  LoadNetworkSettings(run_);
  const RunState& run = run_;
  EXPECT_EQ(run.port, 8000);
  EXPECT_FALSE(run.networkMode);
  EXPECT_FALSE(run.deleteAreaFile);
  EXPECT_EQ(run.networkDir.view(), "C:\\Temp\\");
  EXPECT_TRUE(run.senderName.empty());
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 8u);  // three of server mode, five of these; no switches
  EXPECT_EQ(lines[3],
            "J6FTPara: HKEY_CURRENT_USER\\ORV\\J6U99\\J6Out\\Mail\\MailFromName not found, use "
            "default: ");
  EXPECT_EQ(lines[7],
            "J6FTPara: HKEY_CURRENT_USER\\ORV\\J6U99\\J6Out\\NetWork\\NetDir not found, use "
            "default: C:\\Temp\\");
}

}  // namespace
}  // namespace j6
