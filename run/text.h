// Small text helpers shared by every stage.
#pragma once

#include <string>
#include <string_view>

#include "run/fixed_string.h"

namespace j6 {

/// Removes trailing blanks (code 32 only; tabs stay) in place, possibly down to
/// the empty text.
void TrimTrailingSpaces(char* text);

template <std::size_t N>
void TrimTrailingSpaces(FixedString<N>& text) {
  TrimTrailingSpaces(text.data());
}

/// The text without the blanks and control characters (codes up to 32) at
/// either end: an option's argument as the command line gives it.
std::string_view TrimmedOfBlanks(std::string_view text);

/// A Windows-1252 character in upper case, as Windows folds the names of
/// files: accented letters too.
char UpperCaseAnsi(char c);

}  // namespace j6
