#include "oauth/client_proof.h"

#include "oauth/assertion.h"
#include "oauth/client_certificate.h"
#include "platform/clock.h"
#include "platform/wipe.h"
#include "run/run_log.h"

namespace j6::oauth {

namespace {

/// The certificate, valid now, into `*certificate`, and the time it is
/// valid at into `*now`.
bool ReadyCertificate(const OAuthClient& client, ClientCertificate* certificate, std::int64_t* now,
                      std::string* error) {
  *now = platform::NowUtcSeconds();
  if (!LoadClientCertificate(client, certificate, error) || !ValidAt(*certificate, *now, error)) {
    return false;
  }
  // A run asks TOKEN_URL once at most, so this comes once.
  LogLine("OAuth: client certificate %s, valid until %s",
          ThumbprintText(certificate->thumbprint).c_str(), UtcText(certificate->notAfter).c_str());
  return true;
}

}  // namespace

bool AddClientProof(const OAuthClient& client, ClientSecret need, const std::string& url,
                    FormFields* fields, std::string* error) {
  if (client.clientCert.empty()) {
    std::string secret;
    if (!SecretFor(client, need, &secret, error)) return false;
    if (!secret.empty()) fields->emplace_back("client_secret", secret);
    platform::Wipe(&secret);
    return true;
  }
  // The assertion's audience is TOKEN_URL: no other endpoint would take it.
  if (url != client.tokenUrl) return true;
  ClientCertificate certificate;
  std::int64_t now = 0;
  std::string jwt;
  if (!ReadyCertificate(client, &certificate, &now, error) ||
      !MakeClientAssertion(client, certificate, now, &jwt, error)) {
    return false;
  }
  fields->emplace_back("client_assertion_type",
                       "urn:ietf:params:oauth:client-assertion-type:jwt-bearer");
  fields->emplace_back("client_assertion", jwt);
  platform::Wipe(&jwt);
  return true;
}

bool ServiceAccountGrant(const OAuthClient& client, FormFields* fields, std::string* error) {
  ClientCertificate certificate;
  std::int64_t now = 0;
  std::string jwt;
  if (!ReadyCertificate(client, &certificate, &now, error) ||
      !MakeServiceAccountAssertion(client, certificate, now, &jwt, error)) {
    return false;
  }
  fields->emplace_back("grant_type", "urn:ietf:params:oauth:grant-type:jwt-bearer");
  fields->emplace_back("assertion", jwt);
  platform::Wipe(&jwt);
  return true;
}

}  // namespace j6::oauth
