#include "mail/percent_encoded.h"

namespace j6::mail {

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

}  // namespace j6::mail
