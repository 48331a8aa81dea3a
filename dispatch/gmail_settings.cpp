#include "dispatch/gmail_settings.h"

#include "dispatch/mail_addresses.h"
#include "oauth/settings.h"
#include "platform/ascii.h"
#include "platform/tls_authorities.h"
#include "platform/url.h"

namespace j6 {

namespace {

constexpr char kService[] = "https://gmail.googleapis.com";
constexpr char kTokenUrl[] = "https://oauth2.googleapis.com/token";
constexpr char kAuthorizeUrl[] = "https://accounts.google.com/o/oauth2/v2/auth";
// Sends, and nothing else: no access to the mailbox.
constexpr char kScope[] = "https://www.googleapis.com/auth/gmail.send";

std::string Text(std::string_view value) { return std::string(value); }

std::string OrDefault(std::string_view value, const char* fallback) {
  return value.empty() ? std::string(fallback) : Text(value);
}

}  // namespace

std::string GmailUrl(const GmailSettings& gmail) {
  std::string url = OrDefault(gmail.url.view(), kService);
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

bool CheckGmailSettings(const RunState& run, std::string* sender, std::string* error) {
  const GmailSettings& gmail = run.gmail;
  const std::string url = GmailUrl(gmail);
  if (!gmail.overlong.empty()) {
    *error = Text(gmail.overlong.view()) + " is too long";
  } else if (gmail.user.empty()) {
    *error = "MAPI=GMAIL needs USER";
  } else if (platform::ReadUrl(url).holdsLogin) {
    *error = "URL must not hold a user or password";
  } else if (!oauth::IsHttpsUrl(url)) {
    *error = "URL must be https://";
  } else if (platform::EqualsIgnoringAsciiCase(run.gmailOAuth.grant.view(), "CLIENT_CREDENTIALS")) {
    *error =
        "MAPI=GMAIL takes no GRANT=CLIENT_CREDENTIALS: Google has none (a service account is "
        "GRANT=SERVICE_ACCOUNT)";
  } else {
    oauth::OAuthSettings settings;
    std::string_view from = gmail.from.view();
    if (from.empty() && run.senderEmail.empty()) from = gmail.user.view();
    return oauth::ReadOAuthSettings(GmailOAuthClient(run), &settings, error) &&
           ReadSender(run, from, sender, error);
  }
  return false;
}

oauth::OAuthClient GmailOAuthClient(const RunState& run) {
  const GmailSettings& gmail = run.gmail;
  const OAuthKeys& keys = run.gmailOAuth;
  oauth::OAuthClient client;
  client.tokenUrl = OrDefault(keys.tokenUrl.view(), kTokenUrl);
  client.clientId = Text(keys.clientId.view());
  client.grant = Text(keys.grant.view());
  client.clientCert = Text(keys.clientCert.view());
  client.scope = OrDefault(keys.scope.view(), kScope);
  client.deviceUrl = Text(keys.deviceUrl.view());
  client.authorizeUrl = OrDefault(keys.authorizeUrl.view(), kAuthorizeUrl);
  client.user = Text(gmail.user.view());
  client.route = "MAPI=GMAIL";
  client.server = GmailUrl(gmail);
  if (!platform::AuthorityFile(gmail.caFile.view(), &client.caFile, &client.caFileError)) {
    client.caFile.clear();
  }
  client.timeoutSeconds = gmail.timeoutSeconds;
  client.proxy = Text(run.proxy.view());
  client.proxyTooLong = run.overlong.view() == "PROXY";
  client.storeKey = "gmail" + std::string(1, '\0') + client.server + '\0' + client.user;
  return client;
}

bool GmailOAuthClientIfAny(const RunState& run, oauth::OAuthClient* client) {
  *client = GmailOAuthClient(run);
  return true;
}

}  // namespace j6
