// Proof Key for Code Exchange (RFC 7636, method S256) and the state of the
// loopback sign-in: what ties the browser's answer to this sign-in.
#pragma once

#include <string>
#include <string_view>

namespace j6::oauth {

struct Pkce {
  std::string verifier;   // 43 characters from 32 random bytes; sent with the code
  std::string challenge;  // S256 of the verifier; sent with the authorization request
  std::string state;      // 22 characters from 16 random bytes; the browser must bring it back
};

/// Base64url without padding (RFC 7636 appendix A).
std::string Base64Url(std::string_view bytes);

/// The S256 challenge of a verifier: Base64Url(SHA-256(verifier)).
std::string S256Challenge(std::string_view verifier);

/// A new verifier, its challenge and a state, from the system's random
/// bytes; false, with the reason in `*error`, when there are none.
bool MakePkce(Pkce* pkce, std::string* error);

}  // namespace j6::oauth
