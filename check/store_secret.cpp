#include "check/store_secret.h"

#include <string>

#include "check/report.h"
#include "dispatch/route.h"
#include "dispatch/smtp_settings.h"
#include "oauth/client_secret.h"
#include "oauth/settings.h"
#include "platform/credentials.h"
#include "platform/files.h"
#include "platform/secret_input.h"
#include "platform/wipe.h"
#include "run/configuration.h"
#include "run/text.h"

namespace j6::check {

namespace {

constexpr std::string_view kStoreSecret = "--store-secret";

/// Where the configuration's one secret goes, and what it is; false with
/// why there is none to store.
bool SecretPlace(const RunState& run, platform::CredentialPlace* place, std::string* what,
                 std::string* error) {
  // SMTP's own: the login's password.
  if (run.handOver == HandOverKind::kSmtp && SignInOf(run.smtp) == SmtpSignIn::kPassword) {
    std::string url;
    if (!ReadServer(run.smtp, &url, error)) return false;
    if (run.smtp.user.empty()) {
      *error = "set USER in [SMTP] first: the login the password is for";
      return false;
    }
    *place = SmtpLoginPlace(run.smtp);
    *what = "the password of " + std::string(run.smtp.user.view());
    return true;
  }
  oauth::OAuthClient client;
  if (!RouteOAuthClient(run, &client)) {
    *error = "MAPI=" + std::string(run.mapiMode.view()) +
             " needs no secret: a password or a client secret is MAPI=SMTP's, or that of a "
             "route that signs in with OAuth 2.0";
    return false;
  }
  oauth::OAuthSettings settings;
  if (!oauth::ReadOAuthSettings(client, &settings, error)) return false;
  if (!client.clientCert.empty()) {
    *error = "CLIENT_CERT signs in for [" + std::string(RouteOf(run.handOver).section) +
             "]: no client secret is needed";
    return false;
  }
  *place = oauth::ClientSecretPlace(client);
  *what = "the client secret of " + client.clientId;
  return true;
}

}  // namespace

bool IsStoreSecret(std::string_view commandLine) {
  return TrimmedOfBlanks(commandLine) == kStoreSecret;
}

int StoreSecret(std::FILE* out) {
  platform::RememberStartFolder();
  RunState run;
  LoadConfiguration(run);
  Report report(out);
  platform::CredentialPlace place;
  std::string what;
  std::string error;
  if (!SecretPlace(run, &place, &what, &error)) {
    report.Fail("nothing stored: " + error);
    return 1;
  }
  const std::string where = platform::NetrcFile().empty() ? place.target : platform::NetrcFile();
  std::fprintf(out, "Type %s and press Enter (it is not shown): ", what.c_str());
  std::fflush(out);
  std::string secret;
  bool stored = platform::ReadSecretLine(&secret, &error);
  if (stored && secret.empty()) {
    error = "the secret is empty";
    stored = false;
  }
  stored = stored && platform::StoreCredential(place, secret, &error);
  platform::Wipe(&secret);
  if (!stored) {
    report.Fail("nothing stored: " + error);
    return 1;
  }
  report.Ok(what + " is stored as " + place.target +
            (where != place.target ? " (in " + where + ")" : std::string()) +
            ", for the user who runs this");
  return 0;
}

}  // namespace j6::check
