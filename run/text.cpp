#include "run/text.h"

#include <cstring>

#include "platform/ascii.h"

namespace j6 {

void TrimTrailingSpaces(char* text) {
  std::size_t length = std::strlen(text);
  while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
}

bool IsDeviceName(std::string_view fileName) {
  std::string_view base = fileName.substr(0, fileName.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
    if (platform::EqualsIgnoringAsciiCase(base, device)) return true;
  }
  return base.size() == 4 &&
         (platform::EqualsIgnoringAsciiCase(base.substr(0, 3), "COM") ||
          platform::EqualsIgnoringAsciiCase(base.substr(0, 3), "LPT")) &&
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

std::string PercentEncoded(std::string_view text, bool (*kept)(char)) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : text) {
    if (kept(c)) {
      encoded += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      encoded += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return encoded;
}

}  // namespace j6
