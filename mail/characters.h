// The character classes of RFC 5322 that the address rule and the header
// encoder share: ASCII only, whatever the code page.
#pragma once

#include <string_view>

namespace j6::mail {

inline bool IsLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

/// atext: what an atom (a word of a display name, a part of a dot-atom) may
/// hold.
inline bool IsAtomText(char c) {
  return IsLetterOrDigit(c) ||
         std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

}  // namespace j6::mail
