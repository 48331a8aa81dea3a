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

/// The longest a line may be, prefix and message, without its line end.
constexpr std::size_t kMaxLogLineLength = 254;

/// One log line without its line end: the stamp prefix, then the message
/// formatted from `format` and `args`, cut to kMaxLogLineLength characters.
std::string FormatLogLine(const LogStamp& stamp, const char* format, std::va_list args)
    __attribute__((format(printf, 2, 0)));

/// The bytes a line takes in the file: every line feed, the line's own end and
/// any inside the message, becomes carriage return and line feed, as a file
/// written in Windows text mode has them.
std::string LogFileBytes(const std::string& line);

/// Where LogLine appends from now on: the run state's log path, handed over by
/// the entry once the configuration is read (empty: no log at all). The
/// run's one global, since every stage logs.
void SetRunLogFile(std::string_view path);

/// Appends one stamped line to the run log. Does nothing when there is none;
/// a line that cannot be written is lost without a word, and the next line
/// tries again.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace j6
