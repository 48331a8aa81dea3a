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

/// Whether Windows takes the file name for a device instead of a file: CON,
/// PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9, in any case, with or without
/// an extension, and with any trailing blanks and dots (which Windows drops).
bool IsDeviceName(std::string_view fileName);

/// A Windows-1252 character in upper case, as Windows folds the names of
/// files: accented letters too.
char UpperCaseAnsi(char c);

/// `text` with every byte `kept` refuses written as %XX (upper-case hex):
/// the one escape of URLs, forms, RFC 2231 values and lock names.
std::string PercentEncoded(std::string_view text, bool (*kept)(char));

}  // namespace j6
