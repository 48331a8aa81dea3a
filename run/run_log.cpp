#include "run/run_log.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/process_ids.h"
#include "run/run_state.h"

namespace j6 {

std::string FormatLogLine(const LogStamp& stamp, const char* format, std::va_list args) {
  // Identifiers print as the 32-bit signed long of the Windows log format.
  char line[kMaxLogLineLength + 2];
  const int prefix = std::snprintf(
      line, sizeof line, "%02d/%02d/%04d %02d:%02d:%02d.%03d - [%ld:%ld] - ", stamp.time.day,
      stamp.time.month, stamp.time.year, stamp.time.hour, stamp.time.minute, stamp.time.second,
      stamp.time.millisecond, static_cast<long>(static_cast<std::int32_t>(stamp.processId)),
      static_cast<long>(static_cast<std::int32_t>(stamp.threadId)));
  if (prefix < 0) return std::string();
  const std::size_t used = static_cast<std::size_t>(prefix) < kMaxLogLineLength
                               ? static_cast<std::size_t>(prefix)
                               : kMaxLogLineLength;
  line[used] = '\0';
  std::vsnprintf(line + used, kMaxLogLineLength + 1 - used, format, args);
  return std::string(line);
}

std::string LogFileBytes(const std::string& line) {
  std::string bytes;
  bytes.reserve(line.size() + 2);
  for (const char c : line) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  bytes += "\r\n";
  return bytes;
}

void LogLine(const char* format, ...) {
  const RunState& run = CurrentRun();
  if (run.logFilePath.empty()) return;
  LogStamp stamp;
  stamp.time = platform::NowLocal();
  stamp.processId = platform::CurrentProcessId();
  stamp.threadId = platform::CurrentThreadId();
  std::va_list args;
  va_start(args, format);
  const std::string line = FormatLogLine(stamp, format, args);
  va_end(args);
  platform::AppendToFile(run.logFilePath.c_str(), LogFileBytes(line));
}

}  // namespace j6
