#include "run/run_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "run/run_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/run_state_fixture.h"
#include "tests/support/temp_dir.h"

namespace j6 {
namespace {

LogStamp FixedStamp() {
  LogStamp stamp;
  stamp.time.year = 2026;
  stamp.time.month = 12;
  stamp.time.day = 6;
  stamp.time.hour = 7;
  stamp.time.minute = 5;
  stamp.time.second = 1;
  stamp.time.millisecond = 42;
  stamp.processId = 312;
  stamp.threadId = 468;
  return stamp;
}

__attribute__((format(printf, 2, 3))) std::string Format(const LogStamp& stamp, const char* format,
                                                         ...) {
  std::va_list args;
  va_start(args, format);
  std::string line = FormatLogLine(stamp, format, args);
  va_end(args);
  return line;
}

TEST(FormatLogLine, StampsDateTimeProcessAndThread) {
  EXPECT_EQ(Format(FixedStamp(), "J6Mailer: End"),
            "06/12/2026 07:05:01.042 - [312:468] - J6Mailer: End");
  EXPECT_EQ(Format(FixedStamp(), "J6Mailer %s", "A01"),
            "06/12/2026 07:05:01.042 - [312:468] - J6Mailer A01");
}

TEST(FormatLogLine, IdentifiersPrintAsSigned32BitNumbers) {
  LogStamp stamp = FixedStamp();
  stamp.processId = 0x80040113u;
  stamp.threadId = 0xFFFFFFFFu;
  EXPECT_EQ(Format(stamp, "x"), "06/12/2026 07:05:01.042 - [-2147221229:-1] - x");
}

TEST(FormatLogLine, CutsAWholeLineTo254Characters) {
  const std::string prefix = Format(FixedStamp(), "%s", "");
  const std::size_t room = kMaxLogLineLength - prefix.size();
  for (const std::size_t length : {room - 1, room, room + 1, std::size_t{300}, std::size_t{5000}}) {
    const std::string message(length, 'm');
    const std::string line = Format(FixedStamp(), "%s", message.c_str());
    EXPECT_EQ(line.size(), std::min(prefix.size() + length, kMaxLogLineLength)) << length;
    EXPECT_EQ(line.compare(0, prefix.size(), prefix), 0);
  }
}

TEST(LogFileBytes, EndsEveryLineFeedAsCarriageReturnLineFeed) {
  EXPECT_EQ(LogFileBytes("End"), "End\r\n");
  EXPECT_EQ(LogFileBytes(""), "\r\n");
  EXPECT_EQ(LogFileBytes("Message: one\ntwo\nthree"), "Message: one\r\ntwo\r\nthree\r\n");
  EXPECT_EQ(LogFileBytes("a\r\nb"), "a\r\r\nb\r\n");  // as text mode writes it
}

TEST(ShowLineBreaks, EscapesControlCharactersButTabAndWindows1252) {
  const std::string text = "421 \x1b[2J\x0b\x0c\x7f\r\n\t\x85\x9f\\";
  EXPECT_EQ(ShowLineBreaks(text), "421 \\x1b[2J\\x0b\\x0c\\x7f\\r\\n\t\x85\x9f\\");
  EXPECT_EQ(ShowLineBreaks(text, LineBreaks::kLineFeedsKept),
            "421 \\x1b[2J\\x0b\\x0c\\x7f\\r\n\t\x85\x9f\\");
}

using LogLineTest = test::RunStateTest;

TEST_F(LogLineTest, AppendsOneStampedLinePerCall) {
  const std::string path = dir_.File("run.log");
  test::WriteFileBytes(path, "earlier\r\n");
  SetRunLogFile(path);
  LogLine("J6Mailer %s", "A01");
  LogBodyLine("Message: %s", "one\ntwo\r");
  const std::string bytes = test::ReadFileBytes(path);
  ASSERT_EQ(bytes.compare(0, 9, "earlier\r\n"), 0) << bytes;
  // The body's own line break ends a line of the file too.
  EXPECT_EQ(test::LogMessages(bytes.substr(9)),
            (std::vector<std::string>{"J6Mailer A01", "Message: one", "UNSTAMPED: two\\r"}));
  EXPECT_EQ(bytes.substr(bytes.size() - 9), "\r\ntwo\\r\r\n");
}

TEST_F(LogLineTest, DoesNothingWithoutALogPath) {
  LogLine("nowhere");
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(LogLineTest, LosesTheLineSilentlyWhenTheFileCannotBeOpened) {
  const std::string notAFolder = dir_.File("plain-file");
  test::WriteFileBytes(notAFolder, "x");
  SetRunLogFile(notAFolder + "\\run.log");
  LogLine("lost");
  LogToScratch();
  LogLine("kept");
  EXPECT_EQ(test::LogMessages(test::ReadFileBytes(dir_.File("run.log"))),
            std::vector<std::string>{"kept"});
  EXPECT_EQ(test::ReadFileBytes(notAFolder), "x");
}

}  // namespace
}  // namespace j6
