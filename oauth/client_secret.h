// The app's client secret, for a token endpoint that wants one: the stored
// password of J6Mailer:oauth:<CLIENT_ID> (with CLIENT_ID as its user name) in
// the Credential Manager; elsewhere the netrc file's entry whose machine is
// TOKEN_URL's host and whose login is CLIENT_ID. Never a mail server's
// password: that one is the mailbox's, and must not leave for a token
// endpoint.
#pragma once

#include <string>

#include "oauth/client.h"
#include "platform/lookup.h"

namespace j6::oauth {

/// Whether a request carries the client secret (client_secret_post).
enum class ClientSecret {
  kIfStored,  // a public client (a desktop app) may have none
  kRequired,  // none stored fails the request before anything is sent
};

/// Where the client secret is stored.
platform::CredentialPlace ClientSecretPlace(const OAuthClient& client);

/// The client secret into `*secret`; kFailed with the reason when the
/// stored one cannot be read.
platform::Lookup ReadClientSecret(const OAuthClient& client, std::string* secret,
                                  std::string* error);

/// Whether a password lies where the route kept the secret before it had a
/// place of its own; if so `*text` says where it belongs now.
bool SecretInFormerPlace(const OAuthClient& client, std::string* text);

/// For a secret still at its former place: how to store it at its own and
/// remove the old copy, for the check's line.
std::string MoveAdvice(const OAuthClient& client);

/// The secret a request carries as `need` says into `*secret` (empty: none).
/// False, with the reason, when one is needed and none is stored (naming
/// where it goes), or the store cannot be read.
bool SecretFor(const OAuthClient& client, ClientSecret need, std::string* secret,
               std::string* error);

}  // namespace j6::oauth
