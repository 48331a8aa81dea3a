// What only the off-Windows build does: paths in Windows form land under the
// drives folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/support/log_lines.h"

namespace j6::test {
namespace {

TEST(PosixEntry, WindowsLogPathLandsUnderTheDrivesFolder) {
  InstalledProgram program;
  const std::filesystem::path drives = program.elsewhere().path() / "drives";
  std::filesystem::create_directories(drives / "c" / "Logs");
  setenv("J6MAILER_DRIVES", drives.c_str(), 1);
  program.Configure("[MAILCLIENT]\r\nLOGFILE=C:\\Logs\\j6.log\r\n");
  const ChildResult result = program.Run("A01");
  unsetenv("J6MAILER_DRIVES");
  EXPECT_EQ(result.exitCode, 0);
  const std::vector<std::string> lines =
      LogMessages(ReadFileBytes((drives / "c" / "Logs" / "j6.log").string()));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "J6Mailer A01");
}

}  // namespace
}  // namespace j6::test
