// The program name skipped off a Windows command line, and the command line
// off Windows. The input is the command line; a zero byte ends it, as it
// would end the one Windows hands over. Off Windows the input's zero-separated
// pieces are the arguments.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/command_line.h"

namespace {

using j6::fuzz::Require;

bool IsBlank(unsigned char c) { return c >= 1 && c <= ' '; }

void CheckSkip(const std::vector<char>& buffer) {
  const char* line = buffer.data();
  const std::size_t length = std::strlen(line);
  const char* rest = j6::platform::SkipProgramName(line);
  Require(rest >= line && rest <= line + length, "the rest lies outside the command line");
  const auto offset = static_cast<std::size_t>(rest - line);
  const auto first = static_cast<unsigned char>(*rest);
  Require(first == 0 || first > ' ', "the rest starts with a blank or control character");

  // The name: characters above the blank, and anything between quotes.
  std::size_t end = 0;
  bool inQuotes = false;
  while (end < offset) {
    const auto c = static_cast<unsigned char>(line[end]);
    if (c <= ' ' && !inQuotes) break;
    if (c == '"') inQuotes = !inQuotes;
    ++end;
  }
  Require(end < offset || first == 0, "the rest starts inside the program name");
  for (std::size_t i = end; i < offset; ++i) {
    Require(IsBlank(static_cast<unsigned char>(line[i])),
            "something else than blanks skipped after the program name");
  }
}

void CheckRemainder(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> pieces(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      pieces.emplace_back();
    } else {
      pieces.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<char*> argv;
  std::string expected;
  std::string program = "J6Mailer";
  argv.push_back(program.data());
  for (std::string& piece : pieces) {
    if (argv.size() > 1) expected += ' ';
    expected += piece;
    argv.push_back(piece.data());
  }
  argv.push_back(nullptr);
  const std::string remainder =
      j6::platform::CommandLineRemainder(static_cast<int>(argv.size() - 1), argv.data());
  Require(remainder == expected, "the arguments were not joined with single blanks");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<char> buffer(data, data + size);
  buffer.push_back('\0');
  CheckSkip(buffer);
  CheckRemainder(data, size);
  return 0;
}
