// A digest of a file's bytes, for tests that check a mail carried exactly
// the document of its own request.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace j6::test {

/// FNV-1a, 64 bits, in hexadecimal, with the byte count: enough to tell two
/// documents apart, and written once for the test doubles and the tests.
inline std::string Digest(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%016llx/%zu", static_cast<unsigned long long>(hash),
                bytes.size());
  return text;
}

}  // namespace j6::test
