// The run log: the program's only record of what a run did.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace j6 {

/// What stamps a log line: when, and which process and thread wrote it.
struct LogStamp {
  platform::LocalTime time;
  std::uint32_t processId = 0;
  std::uint32_t threadId = 0;
};

/// The line that opens and closes each run's lines in the log.
constexpr const char* kLogRule =
    "================================================================================";

/// The longest a line may be, prefix and message, without its line end.
constexpr std::size_t kMaxLogLineLength = 254;

/// Which line breaks of a message stay line breaks in the file. Record fields
/// may hold CR and LF; written as they are they would start lines of any
/// text, which a reader takes for lines of the program's own.
enum class LineBreaks {
  kShown,          // every CR and LF written as \r and \n
  kLineFeedsKept,  // CR shown, LF kept: only for the body (LogBodyLine)
};

/// `text` with every carriage return written as the two characters \r and,
/// unless `breaks` keeps them, every line feed as \n; every other C0 control
/// character but TAB, and DEL, as \x and two hex digits. Backslashes stay as
/// they are: every path holds them.
std::string ShowLineBreaks(std::string_view text, LineBreaks breaks = LineBreaks::kShown);

/// One log line without its line end: the stamp prefix, then the message
/// formatted from `format` and `args` with its line breaks shown as `breaks`
/// says, cut to kMaxLogLineLength characters.
std::string FormatLogLine(const LogStamp& stamp, const char* format, std::va_list args,
                          LineBreaks breaks = LineBreaks::kShown)
    __attribute__((format(printf, 2, 0)));

/// The bytes a line takes in the file: every line feed, the line's own end and
/// any inside the message, becomes carriage return and line feed, as a file
/// written in Windows text mode has them.
std::string LogFileBytes(const std::string& line);

/// Where LogLine appends from now on: the run state's log path, handed over by
/// the entry once the configuration is read (empty: no log at all). The
/// run's one global, since every stage logs.
void SetRunLogFile(std::string_view path);

/// Appends one stamped line to the run log, every CR and LF of its message
/// shown as \r and \n, so that it is one line of the file. Does nothing when
/// there is none; a line that cannot be written is lost without a word, and
/// the next line tries again.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// As LogLine, but the message's line feeds stay line breaks: the log shows
/// the body's lines one under the other on purpose. Only for the body as
/// logged (BodyAsLogged), whose line feeds are the joining ones alone.
void LogBodyLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace j6
