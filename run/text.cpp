#include "run/text.h"

#include <cstring>

namespace j6 {

void TrimTrailingSpaces(char* text) {
  std::size_t length = std::strlen(text);
  while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
}

std::string_view FileNamePart(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

namespace {
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool IsDeviceName(std::string_view fileName) {
  std::string_view base = fileName.substr(0, fileName.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
    if (EqualsIgnoreCase(base, device)) return true;
  }
  return base.size() == 4 &&
         (EqualsIgnoreCase(base.substr(0, 3), "COM") ||
          EqualsIgnoreCase(base.substr(0, 3), "LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}

char UpperCaseAnsi(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  // Latin-1 letters (not the division sign), and the five of the 0x80 row.
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  switch (byte) {
    case 0x9A:
    case 0x9C:
    case 0x9E:
      return static_cast<char>(byte - 0x10);
    case 0xFF:
      return static_cast<char>(0x9F);
    default:
      return c;
  }
}

}  // namespace j6
