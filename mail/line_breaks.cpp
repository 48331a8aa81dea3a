#include "mail/line_breaks.h"

namespace j6::mail {

std::string LineBreaksAs(std::string_view text, std::string_view lineBreak) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) continue;  // its line feed follows
    if (text[i] == '\n') {
      out += lineBreak;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace j6::mail
