// Reading a run log back in tests.
#pragma once

#include <string>
#include <vector>

namespace j6::test {

/// Splits the log's bytes at carriage return and line feed, checks that each
/// line starts with a well-formed stamp and returns the messages behind the
/// stamps. A line without a stamp (a message's own line breaks make such
/// lines) comes back as "UNSTAMPED: " and the line; so does a last line
/// without its end.
std::vector<std::string> LogMessages(const std::string& bytes);

/// The lines that begin with head, in their order.
std::vector<std::string> StartingWith(const std::vector<std::string>& lines,
                                      const std::string& head);

}  // namespace j6::test
