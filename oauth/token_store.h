// The tokens J6Mailer obtains for one client's server and user, kept in the user's
// secret store (platform/secret_store.h) as one JSON record, and the lock
// that serialises their refreshes: a server that revokes a refresh token
// once it is used must not see two runs use it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "oauth/client.h"
#include "platform/named_lock.h"
#include "platform/secret_store.h"

namespace j6::oauth {

struct Tokens {
  std::string refreshToken;  // empty with CLIENT_CREDENTIALS
  std::string accessToken;
  std::int64_t expiresAt = 0;  // of the access token, UTC seconds; 0: not to be reused
  // The settings they were obtained with.
  std::string tokenUrl, clientId, scope;
  std::int64_t lifetime = 0;  // the access token's, as the endpoint gave it; 0: not known
};

/// The name of the secret that keeps the client's tokens: "oauth-" and a
/// digest of its store key (for SMTP, SERVER and USER), since a secret's
/// name is short and plain.
std::string TokenSecretName(const OAuthClient& client);

/// The client's stored tokens. kNone when none are stored, or they were
/// obtained for another TOKEN_URL or CLIENT_ID (not signed in, for these
/// settings); kFailed, with the reason, when they cannot be read.
platform::Lookup LoadTokens(const OAuthClient& client, Tokens* tokens, std::string* error);

/// Stores the client's `tokens`, replacing what was stored.
bool StoreTokens(const OAuthClient& client, const Tokens& tokens, std::string* error);

/// The first half of StoreTokens, made before the tokens are asked for, so
/// that none are asked for that could not be kept: false, with "cannot store
/// tokens in <folder>: <reason>", when the store cannot take them.
bool BeginStoringTokens(const OAuthClient& client, platform::PendingSecret* pending,
                        std::string* error);
/// The second half: stores `tokens` where BeginStoringTokens made room.
bool FinishStoringTokens(platform::PendingSecret* pending, const Tokens& tokens,
                         std::string* error);

/// Takes the lock of the client's tokens, waiting up to
/// `milliseconds` for a run that holds it; held until `lock` goes. False,
/// with the reason, when it is not taken.
bool LockTokens(const OAuthClient& client, std::uint32_t milliseconds, platform::NamedLock* lock,
                std::string* error);

/// The stored form (oauth/json.cpp).
std::string TokensText(const Tokens& tokens);
bool ParseTokens(std::string_view text, Tokens* tokens, std::string* error);

}  // namespace j6::oauth
