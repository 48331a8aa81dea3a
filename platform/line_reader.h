// Splitting a text file's bytes into lines, as the Windows readers of INI
// and registry files do.
#pragma once

#include <string_view>

namespace j6::platform {

/// Splits text at CR LF, LF or CR, one line per call.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : rest_(text) {}
  bool Next(std::string_view* line) {
    if (rest_.empty()) return false;
    const std::size_t end = rest_.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      *line = rest_;
      rest_ = std::string_view();
      return true;
    }
    *line = rest_.substr(0, end);
    const bool crlf = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n';
    rest_.remove_prefix(end + (crlf ? 2 : 1));
    return true;
  }

 private:
  std::string_view rest_;
};

}  // namespace j6::platform
