#include "oauth/access_token.h"

#include <algorithm>

#include "oauth/client_certificate.h"
#include "oauth/client_proof.h"
#include "oauth/endpoint.h"
#include "oauth/settings.h"
#include "oauth/token_store.h"
#include "platform/ascii.h"
#include "platform/clock.h"
#include "platform/wipe.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace j6::oauth {

namespace {

constexpr const char* kSignInAgain = "sign in again (J6MailerCheck --sign-in)";

/// What a run may take from the store.
struct Wanted {
  bool mayReuse = true;
  std::string refused;  // an access token the server refused: never reused
};

/// The lesser of five minutes and half the token's lifetime, where the
/// entry knows it (entries written before it was kept: five minutes).
std::int64_t ReuseMargin(const Tokens& tokens) {
  if (tokens.lifetime <= 0) return kReuseMarginSeconds;
  return std::min(kReuseMarginSeconds, tokens.lifetime / 2);
}

/// A stored access token for these settings' scope, valid long enough.
bool Reusable(const Tokens& tokens, const OAuthClient& client, const Wanted& wanted,
              std::int64_t now) {
  return wanted.mayReuse && !tokens.accessToken.empty() && tokens.accessToken != wanted.refused &&
         tokens.scope == client.scope && tokens.expiresAt - now >= ReuseMargin(tokens);
}

std::string NotSignedIn(const OAuthClient& client) {
  return "not signed in to " + client.server + ": run J6MailerCheck --sign-in";
}

/// The token request's form: the grant, and what proves the client.
bool RequestForm(const OAuthClient& client, Grant grant, const Tokens& stored, FormFields* fields,
                 std::string* error) {
  if (grant == Grant::kServiceAccount) return ServiceAccountGrant(client, fields, error);
  if (grant == Grant::kClientCredentials) {
    fields->emplace_back("grant_type", "client_credentials");
  } else {
    fields->emplace_back("grant_type", "refresh_token");
    fields->emplace_back("refresh_token", stored.refreshToken);
  }
  fields->emplace_back("client_id", client.clientId);
  if (!client.scope.empty()) fields->emplace_back("scope", client.scope);
  // The app signing in as itself must prove it; a desktop app may be public.
  const ClientSecret need =
      grant == Grant::kClientCredentials ? ClientSecret::kRequired : ClientSecret::kIfStored;
  return AddClientProof(client, need, client.tokenUrl, fields, error);
}

/// What the refusal of an assertion means, where the endpoint says it.
std::string Hint(const EndpointAnswer& answer, Grant grant, const OAuthClient& client) {
  const std::string& said = answer.errorDescription;
  const bool signedProof = grant == Grant::kServiceAccount || !client.clientCert.empty();
  if (signedProof && (said.find("timeframe") != std::string::npos ||
                      said.find("AADSTS700024") != std::string::npos)) {
    return "the desktop's clock may be wrong: it says " + UtcText(platform::NowUtcSeconds());
  }
  if (answer.error == "invalid_grant" && grant == Grant::kRefreshToken) return kSignInAgain;
  return {};
}

/// The endpoint's refusal (or an answer without a bearer token) as the run
/// logs it.
bool Refused(const EndpointAnswer& answer, Grant grant, const OAuthClient& client,
             std::string* error) {
  if (answer.status == 200 && answer.error.empty() && !answer.accessToken.empty()) {
    // RFC 6749 5.1: a type, and only a bearer token goes in XOAUTH2.
    if (answer.tokenType.empty() || platform::EqualsIgnoringAsciiCase(answer.tokenType, "Bearer")) {
      return false;
    }
    *error = "OAuth: the token is not a bearer token: " + answer.tokenType;
    return true;
  }
  if (grant == Grant::kServiceAccount && answer.error == "unauthorized_client") {
    // Google's text says only that something is not allowed, and at length.
    *error =
        "OAuth: unauthorized_client: domain-wide delegation lacks this service account's "
        "client ID or the scope " +
        client.scope;
    return true;
  }
  *error = "OAuth: " + RefusalText(answer);
  const std::string hint = Hint(answer, grant, client);
  if (!hint.empty()) *error += " - " + hint;
  return true;
}

/// Asks TOKEN_URL for a new access token and stores what it gives. The
/// store is made ready first: an endpoint that rotates refresh tokens
/// revokes the old one as it answers, so an answer that could not be kept
/// would leave the user signed out.
bool Fetch(const OAuthClient& client, Grant grant, Tokens* tokens, TokenReport* report,
           std::string* error) {
  if (grant == Grant::kRefreshToken && tokens->refreshToken.empty()) {
    *error = NotSignedIn(client);
    return false;
  }
  // Both before anything is asked: the proof it needs, and room for the answer.
  FormFields form;
  platform::PendingSecret pending;
  if (!RequestForm(client, grant, *tokens, &form, error) ||
      !BeginStoringTokens(client, &pending, error)) {
    WipeForm(&form);
    *error = "OAuth: " + *error;
    return false;
  }
  // Before the request: the token's lifetime runs from the endpoint's answer.
  const std::int64_t now = platform::NowUtcSeconds();
  const std::string& url = client.tokenUrl;
  EndpointAnswer answer;
  const bool posted = PostToEndpoint(url, client, form, &answer, error);
  WipeForm(&form);
  if (!posted) {
    // A proxy's refusal names the proxy, which the administrator mends.
    if (error->rfind("Proxy error: ", 0) != 0) *error = "OAuth: " + HostOf(url) + ": " + *error;
    return false;
  }
  report->serverDate = answer.serverDate;
  if (Refused(answer, grant, client, error)) return false;
  report->host = HostOf(url);
  report->refreshTokenStored =
      !answer.refreshToken.empty() && answer.refreshToken != tokens->refreshToken;
  if (report->refreshTokenStored) tokens->refreshToken = answer.refreshToken;
  tokens->accessToken = answer.accessToken;
  // Without a lifetime the token is used once.
  tokens->expiresAt = answer.expiresIn > 0 ? now + answer.expiresIn : 0;
  tokens->lifetime = answer.expiresIn > 0 ? answer.expiresIn : 0;
  tokens->tokenUrl = url;
  tokens->clientId = client.clientId;
  tokens->scope = client.scope;
  if (!FinishStoringTokens(&pending, *tokens, error)) {
    *error = "OAuth: " + *error;
    return false;
  }
  LogLine("OAuth token: from %s", report->host.c_str());
  if (report->refreshTokenStored) LogLine("OAuth token: new refresh token stored");
  return true;
}

/// The stored tokens; a stored access token that can be reused, when it
/// may be, is `*token`. An entry that cannot be read is replaced where no
/// refresh token can be lost by it (client credentials, a service account):
/// the app gets a new token.
bool LoadOrReuse(const OAuthClient& client, Grant grant, const Wanted& wanted, Tokens* tokens,
                 std::string* token, TokenReport* report, std::string* error) {
  switch (LoadTokens(client, tokens, error)) {
    case platform::Lookup::kFound:
      break;
    case platform::Lookup::kNone:
      *tokens = Tokens{};
      return true;
    case platform::Lookup::kFailed:
      if (grant == Grant::kRefreshToken) {
        *error = "OAuth: " + *error;
        return false;
      }
      if (!report->replaced) LogLine("OAuth token: the stored tokens could not be read; replaced");
      report->replaced = true;
      *tokens = Tokens{};
      return true;
  }
  if (Reusable(*tokens, client, wanted, platform::NowUtcSeconds())) {
    *token = tokens->accessToken;
    report->reused = true;
    LogLine("OAuth token: reused");
  }
  return true;
}

bool Obtain(const OAuthClient& client, const Wanted& wanted, std::string* token,
            TokenReport* report, std::string* error) {
  OAuthSettings settings;
  if (!ReadOAuthSettings(client, &settings, error)) return false;
  TokenReport ignored;
  TokenReport* const told = report != nullptr ? report : &ignored;
  *told = TokenReport{};
  Tokens tokens;
  token->clear();
  if (!LoadOrReuse(client, settings.grant, wanted, &tokens, token, told, error)) return false;
  if (told->reused) return true;
  // Another run may be refreshing: it has stored its tokens once it lets go.
  // It is waited for as long as a run waits for another run of its area.
  platform::NamedLock lock;
  if (!LockTokens(client, kOtherRunWaitMilliseconds, &lock, error)) {
    *error = "OAuth: " + *error;
    return false;
  }
  if (!LoadOrReuse(client, settings.grant, wanted, &tokens, token, told, error)) return false;
  if (told->reused) return true;
  if (!Fetch(client, settings.grant, &tokens, told, error)) return false;
  *token = tokens.accessToken;
  return true;
}

}  // namespace

bool ObtainAccessToken(const OAuthClient& client, std::string* token, TokenReport* report,
                       std::string* error) {
  return Obtain(client, Wanted{}, token, report, error);
}

bool RenewAccessToken(const OAuthClient& client, std::string* token, TokenReport* report,
                      std::string* error) {
  return Obtain(client, Wanted{false, {}}, token, report, error);
}

bool ReplaceRefusedToken(const OAuthClient& client, const std::string& refused, std::string* token,
                         TokenReport* report, std::string* error) {
  LogLine("OAuth token: refused, getting a new one");
  return Obtain(client, Wanted{true, refused}, token, report, error);
}

}  // namespace j6::oauth
