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

}  // namespace
}  // namespace j6
