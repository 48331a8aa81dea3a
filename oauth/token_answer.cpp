#include "oauth/token_answer.h"

namespace j6::oauth {

namespace {

/// The text up to its first line break, with any other control character
/// as a blank: it ends up in one log line.
std::string FirstLine(std::string_view text) {
  std::string line(text.substr(0, text.find_first_of("\r\n")));
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return line;
}

}  // namespace

std::string RefusalText(const EndpointAnswer& answer) {
  if (answer.error.empty()) return "answered " + std::to_string(answer.status);
  const std::string description = FirstLine(answer.errorDescription);
  return FirstLine(answer.error) + (description.empty() ? "" : ": " + description);
}

}  // namespace j6::oauth
