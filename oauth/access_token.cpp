#include "oauth/access_token.h"

#include "oauth/endpoint.h"
#include "oauth/settings.h"
#include "oauth/token_store.h"
#include "platform/ascii.h"
#include "platform/clock.h"
#include "run/run_log.h"

namespace j6::oauth {

namespace {

// Room for a run that is refreshing: its request's time limit, and more.
constexpr std::uint32_t kLockSlackMilliseconds = 30 * 1000;

constexpr const char* kSignInAgain = "sign in again (J6MailerCheck --sign-in)";

/// A stored access token for these settings' scope, valid long enough.
bool Reusable(const Tokens& tokens, const SmtpSettings& smtp, std::int64_t now) {
  return !tokens.accessToken.empty() && tokens.scope == smtp.scope.view() &&
         tokens.expiresAt - now >= kReuseMarginSeconds;
}

std::string NotSignedIn(const SmtpSettings& smtp) {
  return "not signed in to " + std::string(smtp.server.view()) + ": run J6MailerCheck --sign-in";
}

FormFields GrantFields(const SmtpSettings& smtp, Grant grant, const Tokens& stored) {
  FormFields fields;
  if (grant == Grant::kClientCredentials) {
    fields.emplace_back("grant_type", "client_credentials");
  } else {
    fields.emplace_back("grant_type", "refresh_token");
    fields.emplace_back("refresh_token", stored.refreshToken);
  }
  fields.emplace_back("client_id", std::string(smtp.clientId.view()));
  if (!smtp.scope.empty()) fields.emplace_back("scope", std::string(smtp.scope.view()));
  return fields;
}

/// The endpoint's refusal (or an answer without a bearer token) as the run
/// logs it.
bool Refused(const EndpointAnswer& answer, std::string* error) {
  if (answer.status == 200 && answer.error.empty() && !answer.accessToken.empty()) {
    // RFC 6749 5.1: a type, and only a bearer token goes in XOAUTH2.
    if (answer.tokenType.empty() || platform::EqualsIgnoringAsciiCase(answer.tokenType, "Bearer")) {
      return false;
    }
    *error = "OAuth: the token is not a bearer token: " + answer.tokenType;
    return true;
  }
  *error = "OAuth: " + RefusalText(answer);
  if (answer.error == "invalid_grant") *error += " - " + std::string(kSignInAgain);
  return true;
}

/// Asks TOKEN_URL for a new access token and stores what it gives.
bool Fetch(const SmtpSettings& smtp, Grant grant, Tokens* tokens, TokenReport* report,
           std::string* error) {
  if (grant == Grant::kRefreshToken && tokens->refreshToken.empty()) {
    *error = NotSignedIn(smtp);
    return false;
  }
  // Before the request: the token's lifetime runs from the endpoint's answer.
  const std::int64_t now = platform::NowUtcSeconds();
  const std::string url(smtp.tokenUrl.view());
  EndpointAnswer answer;
  const ClientSecret secret =
      grant == Grant::kClientCredentials ? ClientSecret::kRequired : ClientSecret::kIfStored;
  if (!PostToEndpoint(url, smtp, GrantFields(smtp, grant, *tokens), secret, &answer, error)) {
    *error = "OAuth: " + HostOf(url) + ": " + *error;
    return false;
  }
  if (Refused(answer, error)) return false;
  report->host = HostOf(url);
  report->refreshTokenStored =
      !answer.refreshToken.empty() && answer.refreshToken != tokens->refreshToken;
  if (report->refreshTokenStored) tokens->refreshToken = answer.refreshToken;
  tokens->accessToken = answer.accessToken;
  // Without a lifetime the token is used once.
  tokens->expiresAt = answer.expiresIn > 0 ? now + answer.expiresIn : 0;
  tokens->tokenUrl = url;
  tokens->clientId = std::string(smtp.clientId.view());
  tokens->scope = std::string(smtp.scope.view());
  if (!StoreTokens(smtp, *tokens, error)) {
    *error = "OAuth: " + *error;
    return false;
  }
  LogLine("OAuth token: from %s", report->host.c_str());
  if (report->refreshTokenStored) LogLine("OAuth token: new refresh token stored");
  return true;
}

/// The stored tokens; a stored access token that can be reused, when it
/// may be, is `*token`.
bool LoadOrReuse(const SmtpSettings& smtp, bool mayReuse, Tokens* tokens, std::string* token,
                 TokenReport* report, std::string* error) {
  bool found = false;
  if (!LoadTokens(smtp, tokens, &found, error)) {
    *error = "OAuth: " + *error;
    return false;
  }
  if (!found) *tokens = Tokens{};
  if (mayReuse && found && Reusable(*tokens, smtp, platform::NowUtcSeconds())) {
    *token = tokens->accessToken;
    report->reused = true;
    LogLine("OAuth token: reused");
  }
  return true;
}

bool Obtain(const SmtpSettings& smtp, bool mayReuse, std::string* token, TokenReport* report,
            std::string* error) {
  OAuthSettings settings;
  if (!ReadOAuthSettings(smtp, &settings, error)) return false;
  TokenReport ignored;
  TokenReport* const told = report != nullptr ? report : &ignored;
  *told = TokenReport{};
  Tokens tokens;
  token->clear();
  if (!LoadOrReuse(smtp, mayReuse, &tokens, token, told, error)) return false;
  if (told->reused) return true;
  // Another run may be refreshing: it has stored its tokens once it lets go.
  platform::NamedLock lock;
  const auto wait = static_cast<std::uint32_t>(smtp.timeoutSeconds) * 1000 + kLockSlackMilliseconds;
  if (!LockTokens(smtp, wait, &lock, error)) {
    *error = "OAuth: " + *error;
    return false;
  }
  if (!LoadOrReuse(smtp, mayReuse, &tokens, token, told, error)) return false;
  if (told->reused) return true;
  if (!Fetch(smtp, settings.grant, &tokens, told, error)) return false;
  *token = tokens.accessToken;
  return true;
}

}  // namespace

bool ObtainAccessToken(const SmtpSettings& smtp, std::string* token, TokenReport* report,
                       std::string* error) {
  return Obtain(smtp, true, token, report, error);
}

bool RenewAccessToken(const SmtpSettings& smtp, std::string* token, TokenReport* report,
                      std::string* error) {
  return Obtain(smtp, false, token, report, error);
}

}  // namespace j6::oauth
