// The OAuth settings of a client read once into values, and the rules of
// its URLs. The routes, the sign-in and the check program share them.
#pragma once

#include <string>
#include <string_view>

#include "oauth/client.h"

namespace j6::oauth {

enum class Grant {
  kClientCredentials,  // the app signs in as itself (no user present)
  kRefreshToken,       // a refresh token from the one-time sign-in
  kServiceAccount,     // a service account signs a grant for USER (domain-wide delegation)
};

enum class Sasl { kXOAuth2, kOAuthBearer };

/// The OAuth settings as values, once they are known to be good.
struct OAuthSettings {
  Grant grant = Grant::kRefreshToken;
  Sasl sasl = Sasl::kXOAuth2;
};

/// The client's settings: USER, TOKEN_URL, CLIENT_ID and GRANT there, every
/// URL https:// without a user or password, GRANT and SASL known values,
/// CLIENT_CERT a thumbprint where the system has a certificate store, and
/// there for GRANT=SERVICE_ACCOUNT.
/// False with what is wrong in `*error` ("AUTH=OAUTH2 needs USER", the
/// client's route first).
bool ReadOAuthSettings(const OAuthClient& client, OAuthSettings* settings, std::string* error);

/// The grant's name as the settings spell it: "CLIENT_CREDENTIALS".
const char* GrantName(Grant grant);

/// The SASL mechanism's name: "XOAUTH2" or "OAUTHBEARER".
const char* SaslName(Sasl sasl);

/// The host a URL names ("login.example.com" of
/// "https://login.example.com:443/t/token"), as platform/url.h reads it.
std::string HostOf(std::string_view url);

/// Whether `url` is an https:// URL with a host.
bool IsHttpsUrl(std::string_view url);

}  // namespace j6::oauth
