// Reading a run log back in tests.
#pragma once

#include <string>
#include <vector>

namespace j6::test {

/// Splits the log's bytes at carriage return and line feed, checks that each
/// line starts with a well-formed stamp and returns the messages behind the
/// stamps. A line without a stamp comes back as "BAD LINE: " and the line, so
/// that a comparison shows it; so does a last line without its end.
std::vector<std::string> LogMessages(const std::string& bytes);

}  // namespace j6::test
