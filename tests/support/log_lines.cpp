#include "tests/support/log_lines.h"

#include <regex>

namespace j6::test {

std::vector<std::string> LogMessages(const std::string& bytes) {
  static const std::regex stamped(
      R"(^\d{2}/\d{2}/\d{4} \d{2}:\d{2}:\d{2}\.\d{3} - \[-?\d+:-?\d+\] - ([^\r\n]*)$)");
  std::vector<std::string> messages;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    const std::string line = bytes.substr(start, end == std::string::npos ? end : end - start);
    std::smatch match;
    if (end != std::string::npos && std::regex_match(line, match, stamped)) {
      messages.push_back(match[1]);
    } else {
      messages.push_back("UNSTAMPED: " + line);
    }
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return messages;
}

std::vector<std::string> StartingWith(const std::vector<std::string>& lines,
                                      const std::string& head) {
  std::vector<std::string> found;
  for (const std::string& line : lines) {
    if (line.rfind(head, 0) == 0) found.push_back(line);
  }
  return found;
}

}  // namespace j6::test
