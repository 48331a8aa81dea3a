// Base64 as mail writes it (RFC 2045): the attachments' lines. Inline, so
// that the transport library stays free of the program's other code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace j6::net {

/// Appends the base64 form of `bytes` to `out`, padded with '='.
inline void AppendBase64(std::string_view bytes, std::string* out) {
  constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    unsigned group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      *out += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
  }
}

}  // namespace j6::net
