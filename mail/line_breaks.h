// The line breaks of a text that the host wrote with line feeds, CR LF pairs
// or both, written as the one mail library at hand wants them.
#pragma once

#include <string>
#include <string_view>

namespace j6::mail {

/// The text with each line break written as `lineBreak`. A line feed is a
/// line break, with the carriage return before it when there is one; a
/// carriage return alone is none and stays.
std::string LineBreaksAs(std::string_view text, std::string_view lineBreak);

}  // namespace j6::mail
