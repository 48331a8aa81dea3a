// Splitting a text file into lines, as the Windows readers of INI and
// registry files do, over bytes or over UTF-16 code units.
#pragma once

#include <string_view>

namespace j6::platform {

/// Splits text at CR LF, LF or CR, one line per call.
template <typename Char>
class BasicLineReader {
 public:
  explicit BasicLineReader(std::basic_string_view<Char> text) : rest_(text) {}
  bool Next(std::basic_string_view<Char>* line) {
    if (rest_.empty()) return false;
    static constexpr Char kLineEnds[] = {'\r', '\n'};
    const std::size_t end = rest_.find_first_of(kLineEnds, 0, 2);
    if (end == std::basic_string_view<Char>::npos) {
      *line = rest_;
      rest_ = std::basic_string_view<Char>();
      return true;
    }
    *line = rest_.substr(0, end);
    const bool crlf = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n';
    rest_.remove_prefix(end + (crlf ? 2 : 1));
    return true;
  }

 private:
  std::basic_string_view<Char> rest_;
};

using LineReader = BasicLineReader<char>;

}  // namespace j6::platform
