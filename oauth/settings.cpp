#include "oauth/settings.h"

#include "oauth/client_certificate.h"
#include "platform/ascii.h"
#include "platform/certificate_store.h"
#include "platform/url.h"
#include "run/https_proxy.h"

namespace j6::oauth {

namespace {

using platform::EqualsIgnoringAsciiCase;

bool Needs(const OAuthClient& client, std::string_view value, const char* key, std::string* error) {
  if (!value.empty()) return true;
  *error = client.route + " needs " + key;
  return false;
}

/// An empty URL passes: whether it is needed is asked elsewhere.
bool HttpsOrEmpty(std::string_view url, const char* key, std::string* error) {
  if (platform::ReadUrl(url).holdsLogin) {
    // curl would send it, and the log and the check would show it.
    *error = std::string(key) + " must not hold a user or password";
    return false;
  }
  if (url.empty() || IsHttpsUrl(url)) return true;
  *error = std::string(key) + " is not an https:// URL: " + std::string(url);
  return false;
}

bool ReadProxy(const OAuthClient& client, std::string* error) {
  if (client.proxyTooLong) {
    *error = "PROXY is too long";
  } else if (!IsProxySetting(client.proxy)) {
    // A login in it would be sent to the proxy, and shown.
    *error = "PROXY is not DIRECT or http://host:port without a user or password";
  } else {
    return true;
  }
  return false;
}

bool Trusts(const OAuthClient& client, std::string* error) {
  if (client.caFileError.empty()) return true;
  *error = client.caFileError;
  return false;
}

bool ReadGrant(const OAuthClient& client, Grant* grant, std::string* error) {
  for (const Grant known :
       {Grant::kClientCredentials, Grant::kRefreshToken, Grant::kServiceAccount}) {
    if (EqualsIgnoringAsciiCase(client.grant, GrantName(known))) *grant = known;
  }
  if (!EqualsIgnoringAsciiCase(client.grant, GrantName(*grant))) {
    *error = "GRANT is not CLIENT_CREDENTIALS, REFRESH_TOKEN or SERVICE_ACCOUNT: " + client.grant;
  } else if (*grant == Grant::kServiceAccount && !client.takesServiceAccounts) {
    *error = client.route +
             " takes no GRANT=SERVICE_ACCOUNT: a service account mails through "
             "Google alone";
  } else if (*grant == Grant::kServiceAccount && client.clientCert.empty()) {
    *error = "GRANT=SERVICE_ACCOUNT needs CLIENT_CERT: the key the service account signs with";
  } else {
    return true;
  }
  return false;
}

/// Where the system keeps certificates, CLIENT_CERT names one by its
/// thumbprint; elsewhere it is a file's path, read when it is used.
bool ReadClientCert(const OAuthClient& client, std::string* error) {
  std::string thumbprint;
  if (client.clientCert.empty() || !platform::HasCertificateStore() ||
      ReadThumbprint(client.clientCert, &thumbprint)) {
    return true;
  }
  *error = "CLIENT_CERT is not a certificate's thumbprint (40 hex digits): " + client.clientCert;
  return false;
}

bool ReadSasl(std::string_view value, Sasl* sasl, std::string* error) {
  if (value.empty() || EqualsIgnoringAsciiCase(value, SaslName(Sasl::kXOAuth2))) {
    *sasl = Sasl::kXOAuth2;
  } else if (EqualsIgnoringAsciiCase(value, SaslName(Sasl::kOAuthBearer))) {
    *sasl = Sasl::kOAuthBearer;
  } else {
    *error = "SASL is not XOAUTH2 or OAUTHBEARER: " + std::string(value);
    return false;
  }
  return true;
}

}  // namespace

bool ReadOAuthSettings(const OAuthClient& client, OAuthSettings* settings, std::string* error) {
  // Without a user name curl skips the login without a word.
  return Needs(client, client.user, "USER", error) &&
         Needs(client, client.tokenUrl, "TOKEN_URL", error) &&
         Needs(client, client.clientId, "CLIENT_ID", error) &&
         Needs(client, client.grant, "GRANT", error) &&
         HttpsOrEmpty(client.tokenUrl, "TOKEN_URL", error) &&
         HttpsOrEmpty(client.deviceUrl, "DEVICE_URL", error) &&
         HttpsOrEmpty(client.authorizeUrl, "AUTHORIZE_URL", error) && ReadProxy(client, error) &&
         Trusts(client, error) && ReadGrant(client, &settings->grant, error) &&
         ReadClientCert(client, error) && ReadSasl(client.sasl, &settings->sasl, error);
}

const char* GrantName(Grant grant) {
  switch (grant) {
    case Grant::kClientCredentials:
      return "CLIENT_CREDENTIALS";
    case Grant::kRefreshToken:
      break;
    case Grant::kServiceAccount:
      return "SERVICE_ACCOUNT";
  }
  return "REFRESH_TOKEN";
}

const char* SaslName(Sasl sasl) { return sasl == Sasl::kXOAuth2 ? "XOAUTH2" : "OAUTHBEARER"; }

std::string HostOf(std::string_view url) { return platform::ReadUrl(url).host; }

bool IsHttpsUrl(std::string_view url) {
  return platform::StartsWithIgnoringAsciiCase(url, "https://") && !HostOf(url).empty();
}

}  // namespace j6::oauth
