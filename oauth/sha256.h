// SHA-256 (FIPS 180-4), for PKCE's S256 challenge: a few lines of our own
// rather than a crypto library per platform for one hash of 43 bytes.
#pragma once

#include <string>
#include <string_view>

namespace j6::oauth {

/// The 32 bytes of the digest of `bytes`.
std::string Sha256(std::string_view bytes);

}  // namespace j6::oauth
