// The OAuth 2.0 client a route signs in with: every setting the token code,
// the one-time sign-in and the check need, filled by the route from its own
// section. oauth/ knows no route.
#pragma once

#include <string>

#include "platform/credentials.h"

namespace j6::oauth {

struct OAuthClient {
  std::string tokenUrl;               // TOKEN_URL, https:// only
  std::string clientId;               // CLIENT_ID
  std::string scope;                  // SCOPE, sent as written; empty: none
  std::string grant;                  // GRANT as written: CLIENT_CREDENTIALS, REFRESH_TOKEN or
                                      // SERVICE_ACCOUNT
  std::string clientCert;             // CLIENT_CERT as written: a thumbprint, or a key file's path
  bool takesServiceAccounts = true;   // the route's server is one a service account mails through
  std::string sasl;                   // SASL as written, where the route has one
  std::string deviceUrl;              // DEVICE_URL, for the one-time sign-in
  std::string authorizeUrl;           // AUTHORIZE_URL, for the one-time sign-in
  std::string user;                   // the mailbox the tokens are for
  std::string route = "AUTH=OAUTH2";  // what the texts say needs a missing key
  std::string server;                 // the route's server as its texts name it
  std::string caFile;                 // host path of the authorities to trust; empty: the system's
  std::string caFileError;            // set: none to trust (under Wine without CAFILE), and why
  long timeoutSeconds = 60;           // for connecting to an endpoint
  std::string proxy;                  // [MAILCLIENT] PROXY as written (run/https_proxy.h)
  bool proxyTooLong = false;          // PROXY did not fit its field: refused, never cut
  std::string storeKey;               // names the client's entry in the token store
  // Where the route kept a client secret before it had a place of its own:
  // a password found there is never sent, only named (empty target: none).
  platform::CredentialPlace formerSecret;
};

}  // namespace j6::oauth
