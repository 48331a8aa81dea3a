#include "oauth/assertion.h"

#include <cstdio>

#include "mail/base64.h"
#include "oauth/sha256.h"
#include "platform/random_bytes.h"
#include "platform/wipe.h"

namespace j6::oauth {

namespace {

// Microsoft takes at most ten minutes; five leaves room for a slow clock.
constexpr std::int64_t kClientAssertionSeconds = std::int64_t{5} * 60;
// Google's longest.
constexpr std::int64_t kGrantAssertionSeconds = std::int64_t{60} * 60;

std::string Base64Url(std::string_view bytes) {
  std::string text;
  mail::AppendBase64Url(bytes, &text);
  return text;
}

/// A random (version 4) GUID, as jti: never the same twice, which the
/// endpoint checks to refuse a replayed assertion.
bool NewGuid(std::string* guid, std::string* error) {
  std::string bytes;
  if (!platform::RandomBytes(16, &bytes, error)) return false;
  bytes[6] = static_cast<char>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<char>((bytes[8] & 0x3F) | 0x80);
  guid->clear();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) *guid += '-';
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(bytes[i]));
    *guid += pair;
  }
  return true;
}

/// header.claims.signature, each base64url.
bool Signed(const OAuthClient& client, const ClientCertificate& certificate, bool pss,
            const JwtPart& header, const JwtPart& claims, std::string* jwt, std::string* error) {
  const std::string input = Base64Url(JwtPartText(header)) + '.' + Base64Url(JwtPartText(claims));
  std::string signature;
  if (!SignWithCertificate(client, certificate, input, pss, &signature, error)) return false;
  *jwt = input + '.' + Base64Url(signature);
  platform::Wipe(&signature);
  return true;
}

}  // namespace

bool MakeClientAssertion(const OAuthClient& client, const ClientCertificate& certificate,
                         std::int64_t now, std::string* jwt, std::string* error) {
  std::string jti;
  if (!NewGuid(&jti, error)) return false;
  const bool pss = certificate.pss;
  const JwtPart header =
      pss ? JwtPart{{"alg", "PS256"},
                    {"typ", "JWT"},
                    {"x5t#S256", Base64Url(Sha256(certificate.der))}}
          : JwtPart{{"alg", "RS256"}, {"typ", "JWT"}, {"x5t", Base64Url(certificate.thumbprint)}};
  const JwtPart claims{{"aud", client.tokenUrl},
                       {"iss", client.clientId},
                       {"sub", client.clientId},
                       {"jti", jti},
                       {"nbf", now},
                       {"iat", now},
                       {"exp", now + kClientAssertionSeconds}};
  return Signed(client, certificate, pss, header, claims, jwt, error);
}

bool MakeServiceAccountAssertion(const OAuthClient& client, const ClientCertificate& certificate,
                                 std::int64_t now, std::string* jwt, std::string* error) {
  // Google verifies RS256 alone, whatever the key could do.
  const JwtPart header{{"alg", "RS256"}, {"typ", "JWT"}};
  const JwtPart claims{
      {"iss", client.clientId}, {"sub", client.user}, {"scope", client.scope},
      {"aud", client.tokenUrl}, {"iat", now},         {"exp", now + kGrantAssertionSeconds}};
  return Signed(client, certificate, false, header, claims, jwt, error);
}

}  // namespace j6::oauth
