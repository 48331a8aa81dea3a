// The program as the host starts it: exit status, run log and usage box.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/support/log_lines.h"

namespace j6::test {
namespace {

const std::string kRule(80, '=');

std::vector<std::string> RunLines(const std::string& area, bool help) {
  std::vector<std::string> lines = {kRule, "J6Mailer " + area};
  if (help) lines.push_back("Visualizza Help");
  lines.push_back("J6Mailer: End");
  lines.push_back(kRule);
  return lines;
}

std::string LogSetting(const std::string& path) {
  return "[MAILCLIENT]\r\nLOGFILE=" + path + "\r\nMAPI=\r\n";
}

TEST(Entry, HelpRequestsShowTheUsageBoxOthersNameAnArea) {
  const struct {
    const char* remainder;
    bool help;
  } cases[] = {
      {"", true},        // no arguments
      {"/?", true},      // a slash and a question mark
      {"-h", true},      // a dash and a lower-case h
      {"Ah1", true},     // any lower-case h second is a help request too
      {"/H", false},     // an upper-case H is not
      {"A", false},      // one letter has no second character
      {"A01  ", false},  // trailing blanks belong to the name
  };
  InstalledProgram program;
  const std::string log = program.folder().File("run.log");
  program.Configure(LogSetting(log));
  for (const auto& c : cases) {
    std::filesystem::remove(log);
    const ChildResult result = program.Run(c.remainder);
    EXPECT_EQ(result.exitCode, 0) << "[" << c.remainder << "]";
    EXPECT_EQ(LogMessages(ReadFileBytes(log)), RunLines(c.remainder, c.help))
        << "[" << c.remainder << "]";
    EXPECT_EQ(result.boxes, c.help ? UsageBox() : "") << "[" << c.remainder << "]";
  }
}

TEST(Entry, ConfigurationNamesInAnyCase) {
  InstalledProgram program;
  const std::string log = program.folder().File("any-case.log");
  program.Configure("[mailclient]\nlogfile = " + log + "\nMapi=extended\n");
  EXPECT_EQ(program.Run("A01").exitCode, 0);
  EXPECT_EQ(LogMessages(ReadFileBytes(log)), RunLines("A01", false));
}

TEST(Entry, LogIsAppendedToAcrossRuns) {
  InstalledProgram program;
  const std::string log = program.folder().File("run.log");
  program.Configure(LogSetting(log));
  program.Run("A01");
  program.Run("/?");
  std::vector<std::string> expected = RunLines("A01", false);
  const std::vector<std::string> second = RunLines("/?", true);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(LogMessages(ReadFileBytes(log)), expected);
}

TEST(Entry, UnwritableLogPathLosesTheLogOnly) {
  InstalledProgram program;
  const std::string notAFolder = program.folder().File("plain-file");
  WriteFileBytes(notAFolder, "x");
  program.Configure(LogSetting(notAFolder + "\\run.log"));
  const ChildResult result = program.Run("");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.boxes, UsageBox());
  EXPECT_EQ(ReadFileBytes(notAFolder), "x");
  EXPECT_TRUE(std::filesystem::is_empty(program.elsewhere().path()));
}

TEST(Entry, WithoutConfigurationFileNothingIsLogged) {
  InstalledProgram program;
  for (const char* remainder : {"", "A01"}) {
    const ChildResult result = program.Run(remainder);
    EXPECT_EQ(result.exitCode, 0) << remainder;
    EXPECT_EQ(result.boxes, *remainder == '\0' ? UsageBox() : "") << remainder;
  }
  // The folder holds the program alone; nothing was written where it ran.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(program.folder().path()),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_TRUE(std::filesystem::is_empty(program.elsewhere().path()));
}

TEST(Entry, EmptyLogSettingMeansNoLog) {
  InstalledProgram program;
  program.Configure(LogSetting(""));
  EXPECT_EQ(program.Run("A01").exitCode, 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(program.folder().path()),
                          std::filesystem::directory_iterator()),
            2);
  EXPECT_TRUE(std::filesystem::is_empty(program.elsewhere().path()));
}

}  // namespace
}  // namespace j6::test
