// The percent escape (RFC 3986): the one escape of URLs, forms, RFC 2231
// parameter values and lock names.
#pragma once

#include <string>
#include <string_view>

namespace j6::mail {

/// `text` with every byte `kept` refuses written as %XX (upper-case hex).
std::string PercentEncoded(std::string_view text, bool (*kept)(char));

}  // namespace j6::mail
