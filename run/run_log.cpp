#include "run/run_log.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/process_ids.h"

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

namespace {

struct RunLogFile {
  std::string path;
  // The program is one process with one thread: its ids are read once.
  bool idsRead = false;
  std::uint32_t processId = 0;
  std::uint32_t threadId = 0;
};

RunLogFile& TheRunLogFile() {
  static RunLogFile file;
  return file;
}

}  // namespace

void SetRunLogFile(std::string_view path) { TheRunLogFile().path.assign(path); }

void LogLine(const char* format, ...) {
  RunLogFile& file = TheRunLogFile();
  if (file.path.empty()) return;
  if (!file.idsRead) {
    file.processId = platform::CurrentProcessId();
    file.threadId = platform::CurrentThreadId();
    file.idsRead = true;
  }
  LogStamp stamp;
  stamp.time = platform::NowLocal();
  stamp.processId = file.processId;
  stamp.threadId = file.threadId;
  std::va_list args;
  va_start(args, format);
  const std::string line = FormatLogLine(stamp, format, args);
  va_end(args);
  platform::AppendToFile(file.path, LogFileBytes(line));
}

}  // namespace j6
