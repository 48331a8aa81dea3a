// Random bytes from the system's cryptographic source, for what an attacker
// must not guess (the sign-in's PKCE verifier and state).
#pragma once

#include <cstddef>
#include <string>

namespace j6::platform {

/// Fills `bytes` with `count` random bytes; false, with the reason in
/// `*error`, when the system gives none (never a weaker source instead).
bool RandomBytes(std::size_t count, std::string* bytes, std::string* error);

}  // namespace j6::platform
