// The access token a run signs in to the SMTP server with: reused while it
// is valid for five more minutes (or half its lifetime, if that is less),
// else obtained from TOKEN_URL (client
// credentials, or the stored refresh token) under the tokens' lock, and
// stored, a rotated refresh token with it, before the mail goes.
#pragma once

#include <cstdint>
#include <string>

#include "oauth/client.h"

namespace j6::oauth {

/// An access token is reused only while it is valid this much longer, or
/// half its lifetime where that is less (a token of two minutes).
constexpr std::int64_t kReuseMarginSeconds = std::int64_t{5} * 60;

/// What ObtainAccessToken did, for a caller without a run log (the check).
struct TokenReport {
  bool reused = false;              // a stored access token
  bool replaced = false;            // an unreadable entry was replaced
  std::string host;                 // TOKEN_URL's host, when one was fetched
  bool refreshTokenStored = false;  // the endpoint gave a new refresh token
  long long serverDate = 0;         // the endpoint's clock (its Date header); 0: unknown
};

/// The client's access token (its settings read by ReadOAuthSettings) into
/// `*token`. Logs "OAuth token: reused", or
/// "OAuth token: from <host>" and, for a rotated refresh token, "OAuth
/// token: new refresh token stored". False with the reason as the run logs
/// it after "SMTP error: " ("OAuth: invalid_grant: ...", "not signed in to
/// <server>: run J6MailerCheck --sign-in"); `report` may be null.
bool ObtainAccessToken(const OAuthClient& client, std::string* token, TokenReport* report,
                       std::string* error);

/// As ObtainAccessToken, but asks TOKEN_URL even while a stored access
/// token could be reused: the check program's look at the endpoint.
bool RenewAccessToken(const OAuthClient& client, std::string* token, TokenReport* report,
                      std::string* error);

/// A new access token for a reused one that the server refused (revoked
/// before it expired): logs "OAuth token: refused, getting a new one", then
/// as ObtainAccessToken, never taking `refused` again (another run may have
/// stored a newer one meanwhile).
bool ReplaceRefusedToken(const OAuthClient& client, const std::string& refused, std::string* token,
                         TokenReport* report, std::string* error);

}  // namespace j6::oauth
