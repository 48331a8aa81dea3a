#include "check/oauth_check.h"

#include <string>

#include "check/certificate_check.h"
#include "check/smtp_check.h"
#include "dispatch/smtp_sender.h"
#include "dispatch/smtp_settings.h"
#include "oauth/access_token.h"
#include "oauth/client_secret.h"
#include "oauth/settings.h"
#include "oauth/token_store.h"
#include "platform/credentials.h"
#include "platform/wipe.h"
#include "run/https_proxy.h"

namespace j6::check {

namespace {

void ReportSettings(const oauth::OAuthClient& client, const oauth::OAuthSettings& settings,
                    Report& report) {
  const std::string grant = "GRANT=" + std::string(oauth::GrantName(settings.grant));
  if (client.route == "AUTH=OAUTH2") {
    report.Ok("AUTH=OAUTH2, " + grant + ", SASL=" + oauth::SaslName(settings.sasl) +
              ", USER=" + client.user);
  } else {
    report.Ok(grant + ", USER=" + client.user);
  }
  report.Ok("TOKEN_URL=" + client.tokenUrl);
  report.Ok("CLIENT_ID=" + client.clientId);
  report.Ok(client.scope.empty() ? std::string("SCOPE: none") : "SCOPE=" + client.scope);
  if (settings.grant != oauth::Grant::kRefreshToken) return;
  if (!client.deviceUrl.empty()) report.Ok("DEVICE_URL=" + client.deviceUrl);
  if (!client.authorizeUrl.empty()) report.Ok("AUTHORIZE_URL=" + client.authorizeUrl);
  if (client.deviceUrl.empty() && client.authorizeUrl.empty()) {
    report.Warn("neither DEVICE_URL nor AUTHORIZE_URL: J6MailerCheck --sign-in cannot sign in");
  }
}

/// Google's token endpoint: its desktop clients have a secret, and need it.
bool IsGoogles(const std::string& tokenUrl) {
  const std::string host = oauth::HostOf(tokenUrl);
  const std::string tail = ".google.com";
  return host == "oauth2.googleapis.com" ||
         (host.size() > tail.size() &&
          host.compare(host.size() - tail.size(), tail.size(), tail) == 0);
}

/// The client secret is there when the grant needs one, by the run's rule
/// (oauth::SecretFor); its value is never shown.
bool CheckClientSecret(const oauth::OAuthClient& client, oauth::Grant grant, Report& report) {
  const std::string target = oauth::ClientSecretPlace(client).target;
  std::string secret;
  std::string error;
  if (!client.clientCert.empty()) {
    // A run never reads it: the certificate signs in instead.
    const bool stored =
        oauth::ReadClientSecret(client, &secret, &error) == platform::Lookup::kFound;
    platform::Wipe(&secret);
    if (stored) {
      report.Warn("a client secret is stored for " + target +
                  ", no longer needed: CLIENT_CERT signs in instead; remove it with " +
                  platform::RemoveCommand(oauth::ClientSecretPlace(client)));
    }
    return true;
  }
  const oauth::ClientSecret need = grant == oauth::Grant::kClientCredentials
                                       ? oauth::ClientSecret::kRequired
                                       : oauth::ClientSecret::kIfStored;
  const bool ready = oauth::SecretFor(client, need, &secret, &error);
  const bool stored = !secret.empty();
  platform::Wipe(&secret);
  std::string moved;
  const bool formerPlace = !stored && oauth::SecretInFormerPlace(client, &moved);
  if (!ready) {
    report.Fail(error + ": " + (formerPlace ? oauth::MoveAdvice(client) : kNotSent));
    return false;
  }
  if (stored) {
    report.Ok("a client secret is stored for " + target);
  } else if (formerPlace) {
    report.Warn(moved + ": " + oauth::MoveAdvice(client));
  } else if (IsGoogles(client.tokenUrl)) {
    report.Warn("no client secret is stored for " + target +
                ": Google's desktop clients need theirs");
  } else {
    report.Ok("no client secret is stored for " + target +
              " (an app without one is a public client)");
  }
  return true;
}

bool CheckSignedIn(const oauth::OAuthClient& client, Report& report) {
  oauth::Tokens tokens;
  std::string error;
  const platform::Lookup stored = oauth::LoadTokens(client, &tokens, &error);
  if (stored == platform::Lookup::kFailed) {
    report.Fail(error + ": run J6MailerCheck --sign-in to replace them");
    return false;
  }
  const std::string who = client.server + " as " + client.user;
  if (stored != platform::Lookup::kFound || tokens.refreshToken.empty()) {
    report.Fail("not signed in to " + who + " with this TOKEN_URL and CLIENT_ID: run " +
                "J6MailerCheck --sign-in as the user who runs J6Mailer");
    return false;
  }
  report.Ok("signed in to " + who + " (a refresh token is stored)");
  return true;
}

bool CheckTokenEndpoint(const oauth::OAuthClient& client, Report& report, std::string* token) {
  ReportProxy(client, client.tokenUrl, report);
  std::string error;
  oauth::TokenReport told;
  const bool renewed = oauth::RenewAccessToken(client, token, &told, &error);
  ReportClock(oauth::HostOf(client.tokenUrl), told.serverDate, report);
  if (!renewed) {
    // The host once: the run's text may name it already.
    const std::string host = oauth::HostOf(client.tokenUrl);
    const std::string named = "OAuth: " + host + ": ";
    if (error.rfind(named, 0) == 0) error.erase(0, named.size());
    if (error.rfind("OAuth: ", 0) == 0) error.erase(0, 7);  // the endpoint's refusal
    // A proxy's refusal names the proxy, which the administrator mends.
    report.Fail(error.rfind("Proxy error: ", 0) == 0 ? error
                                                     : "token endpoint " + host + ": " + error);
    return false;
  }
  report.Ok("the token endpoint " + told.host +
            " gives an access token (certificate verified, client accepted)");
  if (told.refreshTokenStored) report.Ok("it replaced the refresh token: the new one is stored");
  return true;
}

}  // namespace

void ReportProxy(const oauth::OAuthClient& client, const std::string& url, Report& report) {
  const HttpsRoute route = HttpsRouteFor(client.proxy, url);
  if (!route.note.empty()) report.Warn("proxy: " + route.note);
  if (!route.line.empty()) report.Ok(route.line);
}

bool CheckOAuthClient(const oauth::OAuthClient& client, Report& report, std::string* token) {
  oauth::OAuthSettings settings;
  std::string error;
  if (!oauth::ReadOAuthSettings(client, &settings, &error)) {
    report.Fail(error + ": " + kNotSent);
    return false;
  }
  ReportSettings(client, settings, report);
  return CheckClientCertificate(client, settings.grant == oauth::Grant::kServiceAccount, report) &&
         CheckClientSecret(client, settings.grant, report) &&
         (settings.grant != oauth::Grant::kRefreshToken || CheckSignedIn(client, report)) &&
         CheckTokenEndpoint(client, report, token);
}

void CheckOAuth(const RunState& run, Report& report) {
  const oauth::OAuthClient client = SmtpOAuthClient(run);
  std::string token;
  const bool obtained = CheckOAuthClient(client, report, &token);
  platform::Wipe(&token);
  if (!obtained) return;
  ReportSmtpProbe(run,
                  "the server " + client.server +
                      " answers, with TLS as asked and the token accepted (nothing sent)",
                  report);
}

}  // namespace j6::check
