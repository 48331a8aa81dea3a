#include "platform/windows1252.h"

#include <cstddef>

namespace j6::platform {

namespace {

/// Bytes 0x80 to 0x9F; below and above them the code page is Latin-1.
constexpr char16_t kHighRow[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char16_t Windows1252ToUnicode(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHighRow[byte - 0x80] : static_cast<char16_t>(byte);
}

char UnicodeToWindows1252(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (std::size_t i = 0; i < sizeof kHighRow / sizeof kHighRow[0]; ++i) {
    if (kHighRow[i] == unit) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace j6::platform
