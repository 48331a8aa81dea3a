#include "run/configuration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run/run_state.h"
#include "tests/support/child_process.h"
#include "tests/support/run_state_fixture.h"
#include "tests/support/scoped_outside.h"
#include "tests/support/temp_dir.h"

namespace j6 {
namespace {

using ConfigurationTest = test::RunStateTest;

TEST_F(ConfigurationTest, FileLiesBesideTheExecutable) {
  // This test program stands in for the executable: its folder is the one.
  const std::string besideMe =
      (std::filesystem::path(test::OwnDirectory()) / kConfigFileName).string();
  test::WriteFileBytes(besideMe, "[MAILCLIENT]\r\nLOGFILE=beside.log\r\nMAPI=Extended\r\n");
  LoadConfiguration(run_);
  std::filesystem::remove(besideMe);
  const std::string path = ConfigFilePath(run_);
  // The executable's folder with its own separator: a backslash on Windows.
  EXPECT_EQ(path, besideMe);
  EXPECT_EQ(run_.logFilePath.view(), "beside.log");
  EXPECT_EQ(run_.mapiMode.view(), "Extended");
  EXPECT_EQ(run_.handOver, HandOverKind::kExtended);
}

bool NoModulePath(std::string* /*path*/) { return false; }

// Without the executable's path the file is the current folder's: a bare
// name would have Windows look in its own folder.
TEST_F(ConfigurationTest, WithoutTheExecutablesPathTheCurrentFolders) {
  test::ScopedOutside outside;
  outside->moduleFileName = &NoModulePath;
  EXPECT_STREQ(ConfigFilePath(run_), ".\\J6MailerCfg.ini");
}

TEST_F(ConfigurationTest, ComputesThePathOnce) {
  run_.configPath.Assign("X:\\chosen.ini");
  EXPECT_STREQ(ConfigFilePath(run_), "X:\\chosen.ini");
}

// "MAPI" is cut to its field; a log path that does not fit is no log at all,
// never a log under a cut name.
TEST_F(ConfigurationTest, SettingsAndTheirFields) {
  const struct {
    std::size_t logLength;
    std::size_t keptLogLength;
  } cases[] = {{259, 259}, {260, 0}, {300, 0}};
  for (const auto& c : cases) {
    const std::string path = dir_.File("cfg.ini");
    test::WriteFileBytes(path, "[MAILCLIENT]\nLOGFILE=" + std::string(c.logLength, 'L') +
                                   "\nMAPI=" + std::string(150, 'M') + "\n");
    run_ = RunState{};
    run_.configPath.Assign(path);
    LoadConfiguration(run_);
    EXPECT_EQ(run_.logFilePath.view(), std::string(c.keptLogLength, 'L')) << c.logLength;
    EXPECT_EQ(run_.mapiMode.view(), std::string(99, 'M'));
  }
}

TEST_F(ConfigurationTest, MissingFileOrKeysLeaveSettingsEmpty) {
  run_.configPath.Assign(dir_.File("absent.ini"));
  LoadConfiguration(run_);
  EXPECT_TRUE(run_.logFilePath.empty());
  EXPECT_TRUE(run_.mapiMode.empty());

  const std::string path = dir_.File("cfg.ini");
  test::WriteFileBytes(path, "[OTHER]\nLOGFILE=x.log\n[MAILCLIENT]\nMAPI=SIMPLE\n");
  run_.configPath.Assign(path);
  LoadConfiguration(run_);
  EXPECT_TRUE(run_.logFilePath.empty());
  EXPECT_EQ(run_.mapiMode.view(), "SIMPLE");
}

TEST_F(ConfigurationTest, SmtpSettings) {
  const std::string path = dir_.File("cfg.ini");
  test::WriteFileBytes(
      path,
      "[SMTP]\nSERVER=smtp://mail.example.com:587\nTLS=try\nUSER=j6\n"
      "FROM=j6@example.com\nCAFILE=C:\\ca.pem\nTIMEOUT=30\nHELO=pc7.example.com\n");
  run_.configPath.Assign(path);
  LoadConfiguration(run_);
  EXPECT_EQ(run_.smtp.server.view(), "smtp://mail.example.com:587");
  EXPECT_EQ(run_.smtp.tls.view(), "try");
  EXPECT_EQ(run_.smtp.user.view(), "j6");
  EXPECT_EQ(run_.smtp.from.view(), "j6@example.com");
  EXPECT_EQ(run_.smtp.caFile.view(), "C:\\ca.pem");
  EXPECT_EQ(run_.smtp.timeoutSeconds, 30);
  EXPECT_EQ(run_.smtp.helo.view(), "pc7.example.com");
  EXPECT_TRUE(run_.smtp.overlong.empty());
}

// TIMEOUT is whole seconds, at most an hour; anything else is the default.
// A value too long for its field is not kept cut: the key is named.
TEST_F(ConfigurationTest, SmtpTimeoutAndOverlongValues) {
  const struct {
    std::string lines;
    long timeout;
    const char* overlong;
  } cases[] = {
      {"", 60, ""},
      {"TIMEOUT=5\n", 5, ""},
      {"TIMEOUT=3600\n", 3600, ""},
      {"TIMEOUT=3601\n", 60, ""},
      {"TIMEOUT=0\n", 60, ""},
      {"TIMEOUT=-5\n", 60, ""},
      {"TIMEOUT=30s\n", 60, ""},
      {"TIMEOUT=\n", 60, ""},
      {"CAFILE=" + std::string(260, 'c') + "\n", 60, "CAFILE"},
      {"SERVER=" + std::string(260, 's') + "\nUSER=" + std::string(256, 'u') + "\n", 60, "SERVER"},
      // [MAILCLIENT]'s own: not filed under [SMTP].
      {"[MAILCLIENT]\nPROXY=http://" + std::string(260, 'p') + "\n", 60, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines.substr(0, 20));
    const std::string path = dir_.File("cfg.ini");
    test::WriteFileBytes(path, "[SMTP]\n" + c.lines);
    run_ = RunState{};
    run_.configPath.Assign(path);
    LoadConfiguration(run_);
    EXPECT_EQ(run_.smtp.timeoutSeconds, c.timeout);
    EXPECT_EQ(run_.smtp.overlong.view(), c.overlong);
    EXPECT_EQ(run_.overlong.view(), c.lines.rfind("[MAILCLIENT]", 0) == 0 ? "PROXY" : "");
    EXPECT_TRUE(run_.smtp.caFile.empty());
    EXPECT_TRUE(run_.smtp.server.empty());
  }
}

// The whole value chooses, in any case; anything else is unknown and goes
// as Simple MAPI.
TEST(ParseHandOverKind, WholeValueInAnyCase) {
  const struct {
    const char* mode;
    HandOverKind kind;
  } cases[] = {
      {"EXTENDED", HandOverKind::kExtended}, {"extended", HandOverKind::kExtended},
      {"Extended", HandOverKind::kExtended}, {"", HandOverKind::kSimple},
      {"SIMPLE", HandOverKind::kSimple},     {"simple", HandOverKind::kSimple},
      {"EXTENDEDX", HandOverKind::kUnknown}, {"EXTENDE", HandOverKind::kUnknown},
      {"EXTENDED ", HandOverKind::kUnknown}, {"smtp", HandOverKind::kSmtp},
      {"SMTP", HandOverKind::kSmtp},         {"SMTP ", HandOverKind::kUnknown},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseHandOverKind(c.mode), c.kind) << c.mode;
}

}  // namespace
}  // namespace j6
