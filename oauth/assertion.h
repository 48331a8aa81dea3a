// The signed JWTs a client certificate proves itself with (RFC 7523): the
// client assertion beside a token request ("certificate credentials"), and
// the assertion a service account's grant is (domain-wide delegation).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "oauth/client.h"
#include "oauth/client_certificate.h"

namespace j6::oauth {

/// A JWT's header or claims, in order: texts and whole numbers.
using JwtPart = std::vector<std::pair<std::string, std::variant<std::string, std::int64_t>>>;

/// The part as compact JSON.
std::string JwtPartText(const JwtPart& part);

/// The client assertion for TOKEN_URL: PS256 with x5t#S256 where the key
/// signs RSA-PSS, else RS256 with x5t; aud TOKEN_URL, iss and sub
/// CLIENT_ID, a new random jti, nbf and iat `now`, exp five minutes on.
bool MakeClientAssertion(const OAuthClient& client, const ClientCertificate& certificate,
                         std::int64_t now, std::string* jwt, std::string* error);

/// A service account's grant for USER: RS256, iss CLIENT_ID, sub USER,
/// scope SCOPE, aud TOKEN_URL, iat `now`, exp an hour on.
bool MakeServiceAccountAssertion(const OAuthClient& client, const ClientCertificate& certificate,
                                 std::int64_t now, std::string* jwt, std::string* error);

}  // namespace j6::oauth
