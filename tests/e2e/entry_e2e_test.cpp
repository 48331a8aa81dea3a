// The program as the host starts it: exit status, run log and usage box.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/support/log_lines.h"

namespace j6::test {
namespace {

const std::string kRule(80, '=');

/// The lines of one run: the rule and the area name first, the end line and
/// the rule last; a help request has "Visualizza Help" alone in between, any
/// other request the lines of its (here failing) acquisition.
void ExpectRunLines(const std::vector<std::string>& lines, const std::string& area, bool help) {
  ASSERT_GE(lines.size(), 5u) << area;
  EXPECT_EQ(lines[0], kRule);
  EXPECT_EQ(lines[1], "J6Mailer " + area);
  EXPECT_EQ(lines[lines.size() - 2], "J6Mailer: End");
  EXPECT_EQ(lines.back(), kRule);
  if (help) {
    EXPECT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "Visualizza Help");
  } else {
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Visualizza Help"), 0) << area;
    EXPECT_EQ(lines[lines.size() - 3], "Errore di trasferimento del file da J6");
  }
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
    ExpectRunLines(LogMessages(ReadFileBytes(log)), c.remainder, c.help);
    EXPECT_EQ(result.boxes, c.help ? UsageBox() : TransferErrorBox()) << "[" << c.remainder << "]";
  }
}

TEST(Entry, ConfigurationNamesInAnyCase) {
  InstalledProgram program;
  const std::string log = program.folder().File("any-case.log");
  program.Configure("[mailclient]\nlogfile = " + log + "\nMapi=extended\n");
  EXPECT_EQ(program.Run("A01").exitCode, 0);
  ExpectRunLines(LogMessages(ReadFileBytes(log)), "A01", false);
}

TEST(Entry, LogIsAppendedToAcrossRuns) {
  InstalledProgram program;
  const std::string log = program.folder().File("run.log");
  program.Configure(LogSetting(log));
  program.Run("/?");
  program.Run("/?");
  const std::vector<std::string> lines = LogMessages(ReadFileBytes(log));
  ASSERT_EQ(lines.size(), 10u);
  ExpectRunLines({lines.begin(), lines.begin() + 5}, "/?", true);
  ExpectRunLines({lines.begin() + 5, lines.end()}, "/?", true);
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
    EXPECT_EQ(result.boxes, *remainder == '\0' ? UsageBox() : TransferErrorBox()) << remainder;
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
