#include "check/oauth_check.h"

#include <string>

#include "dispatch/smtp_sender.h"
#include "oauth/access_token.h"
#include "oauth/client_secret.h"
#include "oauth/settings.h"
#include "oauth/token_store.h"

namespace j6::check {

namespace {

constexpr const char* kNotSent = "every SMTP run ends in \"Email not sent.\"";

std::string Text(std::string_view value) { return std::string(value); }

void ReportSettings(const SmtpSettings& smtp, const oauth::OAuthSettings& settings,
                    Report& report) {
  report.Ok("AUTH=OAUTH2, GRANT=" + Text(oauth::GrantName(settings.grant)) +
            ", SASL=" + oauth::SaslName(settings.sasl) + ", USER=" + Text(smtp.user.view()));
  report.Ok("TOKEN_URL=" + Text(smtp.tokenUrl.view()));
  report.Ok("CLIENT_ID=" + Text(smtp.clientId.view()));
  report.Ok(smtp.scope.empty() ? std::string("SCOPE: none") : "SCOPE=" + Text(smtp.scope.view()));
  if (settings.grant != oauth::Grant::kRefreshToken) return;
  if (!smtp.deviceUrl.empty()) report.Ok("DEVICE_URL=" + Text(smtp.deviceUrl.view()));
  if (!smtp.authorizeUrl.empty()) report.Ok("AUTHORIZE_URL=" + Text(smtp.authorizeUrl.view()));
  if (smtp.deviceUrl.empty() && smtp.authorizeUrl.empty()) {
    report.Warn("neither DEVICE_URL nor AUTHORIZE_URL: J6MailerCheck --sign-in cannot sign in");
  }
}

/// The client secret is there when the grant needs one; its value is never
/// shown.
bool CheckClientSecret(const SmtpSettings& smtp, oauth::Grant grant, Report& report) {
  std::string secret;
  std::string error;
  bool found = false;
  const bool read = oauth::ReadClientSecret(smtp, &secret, &found, &error);
  for (char& c : secret) c = '\0';
  if (!read) {
    report.Fail("the client secret cannot be read: " + error);
    return false;
  }
  if (found) {
    report.Ok("a client secret is stored for " + CredentialTarget(smtp));
  } else if (grant == oauth::Grant::kClientCredentials) {
    report.Fail("no client secret is stored for " + CredentialTarget(smtp) + ": " + kNotSent);
    return false;
  } else {
    report.Ok("no client secret is stored for " + CredentialTarget(smtp) +
              " (an app without one is a public client)");
  }
  return true;
}

bool CheckSignedIn(const SmtpSettings& smtp, Report& report) {
  oauth::Tokens tokens;
  std::string error;
  const oauth::StoredTokens stored = oauth::LoadTokens(smtp, &tokens, &error);
  if (stored == oauth::StoredTokens::kUnreadable) {
    report.Fail(error + ": run J6MailerCheck --sign-in to replace them");
    return false;
  }
  const bool found = stored == oauth::StoredTokens::kFound;
  const std::string who = Text(smtp.server.view()) + " as " + Text(smtp.user.view());
  if (!found || tokens.refreshToken.empty()) {
    report.Fail("not signed in to " + who + " with this TOKEN_URL and CLIENT_ID: run " +
                "J6MailerCheck --sign-in as the user who runs J6Mailer");
    return false;
  }
  report.Ok("signed in to " + who + " (a refresh token is stored)");
  return true;
}

bool CheckTokenEndpoint(const SmtpSettings& smtp, Report& report) {
  std::string token;
  std::string error;
  oauth::TokenReport told;
  const bool obtained = oauth::RenewAccessToken(smtp, &token, &told, &error);
  for (char& c : token) c = '\0';
  if (!obtained) {
    // The host once: the run's text may name it already.
    const std::string host = oauth::HostOf(smtp.tokenUrl.view());
    const std::string named = "OAuth: " + host + ": ";
    if (error.rfind(named, 0) == 0) error.erase(0, named.size());
    report.Fail("token endpoint " + host + ": " + error);
    return false;
  }
  report.Ok("the token endpoint " + told.host +
            " gives an access token (certificate verified, client accepted)");
  if (told.refreshTokenStored) report.Ok("it replaced the refresh token: the new one is stored");
  return true;
}

}  // namespace

void CheckOAuth(const RunState& run, Report& report) {
  const SmtpSettings& smtp = run.smtp;
  oauth::OAuthSettings settings;
  std::string error;
  if (!oauth::ReadOAuthSettings(smtp, &settings, &error)) {
    report.Fail(error + ": " + kNotSent);
    return;
  }
  ReportSettings(smtp, settings, report);
  if (!CheckClientSecret(smtp, settings.grant, report)) return;
  if (settings.grant == oauth::Grant::kRefreshToken && !CheckSignedIn(smtp, report)) return;
  if (!CheckTokenEndpoint(smtp, report)) return;
  if (ProbeSmtpServer(run, &error)) {
    report.Ok("the server " + Text(smtp.server.view()) +
              " answers, with TLS as asked and the token accepted (nothing sent)");
  } else {
    report.Fail("SMTP server " + Text(smtp.server.view()) + ": " + error);
  }
}

}  // namespace j6::check
