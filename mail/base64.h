// Base64 (RFC 4648): the attachments' lines of a message, the whole message
// Graph takes, a server's SASL challenges; base64url for JWTs and PKCE. Inline, so that the network
// transport can use it and stay free of the program's other code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace j6::mail {

namespace detail {

inline void AppendBase64In(std::string_view bytes, const char* alphabet, bool padded,
                           std::string* out) {
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    unsigned group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      if (k <= n) {
        *out += alphabet[(group >> (18 - 6 * k)) & 0x3F];
      } else if (padded) {
        *out += '=';
      }
    }
  }
}

}  // namespace detail

/// Appends the base64 form of `bytes` to `out`, padded with '='.
inline void AppendBase64(std::string_view bytes, std::string* out) {
  detail::AppendBase64In(bytes, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/",
                         true, out);
}

/// Appends the base64url form of `bytes` (RFC 4648 section 5) to `out`,
/// unpadded, as JWTs and PKCE write it.
inline void AppendBase64Url(std::string_view bytes, std::string* out) {
  detail::AppendBase64In(bytes, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_",
                         false, out);
}

/// The bytes of base64 or base64url `text` into `*bytes`, padding optional;
/// false when `text` holds anything else.
inline bool DecodeBase64(std::string_view text, std::string* bytes) {
  unsigned group = 0;
  int bits = 0;
  for (const char c : text) {
    int value = -1;
    if (c >= 'A' && c <= 'Z') value = c - 'A';
    if (c >= 'a' && c <= 'z') value = c - 'a' + 26;
    if (c >= '0' && c <= '9') value = c - '0' + 52;
    if (c == '+' || c == '-') value = 62;
    if (c == '/' || c == '_') value = 63;
    if (c == '=') break;
    if (value < 0) return false;
    group = (group << 6) | static_cast<unsigned>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      *bytes += static_cast<char>((group >> bits) & 0xFF);
    }
  }
  return true;
}

}  // namespace j6::mail
