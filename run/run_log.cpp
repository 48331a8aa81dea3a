#include "run/run_log.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/process_ids.h"

namespace j6 {

std::string ShowLineBreaks(std::string_view text, LineBreaks breaks) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n' && breaks == LineBreaks::kShown) {
      shown += "\\n";
    } else if ((static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') || c == '\x7f') {
      // ESC and the like from a server's reply would drive a terminal that
      // shows the log. Bytes 0x80 to 0x9F are Windows-1252 text and stay.
      static constexpr char kHex[] = "0123456789abcdef";
      const auto byte = static_cast<unsigned char>(c);
      shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xf]};
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string FormatLogLine(const LogStamp& stamp, const char* format, std::va_list args,
                          LineBreaks breaks) {
  // Identifiers print as the 32-bit signed long of the Windows log format.
  char prefix[kMaxLogLineLength + 1];
  const int length = std::snprintf(
      prefix, sizeof prefix, "%02d/%02d/%04d %02d:%02d:%02d.%03d - [%ld:%ld] - ", stamp.time.day,
      stamp.time.month, stamp.time.year, stamp.time.hour, stamp.time.minute, stamp.time.second,
      stamp.time.millisecond, static_cast<long>(static_cast<std::int32_t>(stamp.processId)),
      static_cast<long>(static_cast<std::int32_t>(stamp.threadId)));
  if (length < 0) return std::string();
  // Breaks are shown before the cut, and a shown one is never shorter, so no
  // more of the message than a whole line can ever be needed.
  char message[kMaxLogLineLength + 1] = "";
  std::vsnprintf(message, sizeof message, format, args);
  std::string line = prefix + ShowLineBreaks(message, breaks);
  if (line.size() > kMaxLogLineLength) line.resize(kMaxLogLineLength);
  return line;
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

namespace {

void AppendLogLine(LineBreaks breaks, const char* format, std::va_list args)
    __attribute__((format(printf, 2, 0)));

void AppendLogLine(LineBreaks breaks, const char* format, std::va_list args) {
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
  platform::AppendToFile(file.path, LogFileBytes(FormatLogLine(stamp, format, args, breaks)));
}

}  // namespace

void LogLine(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  AppendLogLine(LineBreaks::kShown, format, args);
  va_end(args);
}

void LogBodyLine(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  AppendLogLine(LineBreaks::kLineFeedsKept, format, args);
  va_end(args);
}

}  // namespace j6
