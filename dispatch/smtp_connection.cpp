#include "dispatch/smtp_connection.h"

#include "dispatch/mail_text.h"
#include "mail/address.h"
#include "oauth/access_token.h"
#include "oauth/settings.h"
#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/host_name.h"
#include "run/run_log.h"
#include "run/text.h"

namespace j6 {

namespace {

int TlsMode(std::string_view setting) {
  if (platform::EqualsIgnoringAsciiCase(setting, "NONE")) return J6SMTP_TLS_NONE;
  if (platform::EqualsIgnoringAsciiCase(setting, "TRY")) return J6SMTP_TLS_TRY;
  return J6SMTP_TLS_REQUIRED;
}

/// What a URL's path keeps as it is.
bool KeptInUrl(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-';
}

/// curl greets the server (EHLO) with the URL's path: HELO, else a name
/// SERVER gives after the host, else the machine's fully qualified name.
/// Without one curl's own choice stays, the machine's bare name.
bool AddGreetingName(const SmtpSettings& smtp, std::string* url, std::string* error) {
  const std::size_t rest = url->find_first_of("/?#", url->find("://") + 3);
  std::string name(smtp.helo.view());
  if (!name.empty()) {
    if (!mail::IsMailDomain(name)) {
      *error = "HELO is not a host name: " + name;
      return false;
    }
    url->resize(rest == std::string::npos ? url->size() : rest);
  } else {
    if (rest != std::string::npos) return true;
    name = platform::FullyQualifiedHostName();
    if (name.find('.') == std::string::npos || !mail::IsMailDomain(name)) return true;
  }
  *url += "/" + PercentEncoded(name, KeptInUrl);
  return true;
}

/// The URL of SERVER; false with what is wrong with it.
bool ServerOf(const SmtpSettings& smtp, std::string* url, std::string* error) {
  if (!smtp.overlong.empty()) {
    *error = std::string(smtp.overlong.view()) + " is too long";
  } else if (smtp.server.empty()) {
    *error = "no server";
  } else if (ServerHoldsLogin(smtp.server.view())) {
    // curl would log in with it, and the log and the check would show it.
    *error = "SERVER must not hold a user or password";
  } else if (!ServerUrl(smtp.server.view(), url)) {
    *error = "not an smtp:// or smtps:// server: " + std::string(smtp.server.view());
  } else {
    return true;
  }
  return false;
}

}  // namespace

bool ServerHoldsLogin(std::string_view server) {
  return server.find('@') != std::string_view::npos;
}

std::string ShownServer(const SmtpSettings& smtp) {
  return ServerHoldsLogin(smtp.server.view()) ? "(not shown: it holds a user or password)"
                                              : std::string(smtp.server.view());
}

SmtpConnection::~SmtpConnection() {
  // The password and the token leave no copy behind in memory that is
  // handed back.
  for (char& c : credential_.password) c = '\0';
  for (char& c : bearer_) c = '\0';
}

bool SmtpConnection::Open(const SmtpSettings& smtp, std::string* error) {
  if (!ServerOf(smtp, &url_, error) || !AddGreetingName(smtp, &url_, error) ||
      !SignIn(smtp, error)) {
    return false;
  }
  caFile_ = smtp.caFile.empty() ? std::string() : platform::FileSystemPath(smtp.caFile.c_str());
  tls_ = TlsMode(smtp.tls.view());
  timeoutSeconds_ = smtp.timeoutSeconds;
  return true;
}

bool SmtpConnection::SignIn(const SmtpSettings& smtp, std::string* error) {
  switch (oauth::SignInOf(smtp)) {
    case oauth::SignIn::kPassword:
      return SignInWithStoredPassword(smtp, error);
    case oauth::SignIn::kOAuth2:
      return SignInWithBearerToken(smtp, error);
    case oauth::SignIn::kUnknown:
      break;
  }
  // Not taken as the password's: that could send a password where none is
  // meant to go.
  *error = "AUTH is not PASSWORD or OAUTH2: " + std::string(smtp.auth.view());
  return false;
}

bool SmtpConnection::SignInWithBearerToken(const SmtpSettings& smtp, std::string* error) {
  oauth::OAuthSettings settings;
  if (!oauth::ReadOAuthSettings(smtp, &settings, error)) return false;
  user_ = std::string(smtp.user.view());
  mechanism_ = oauth::SaslName(settings.sasl);
  LogLine("SMTP Auth: OAUTH2 (%s) as %s", oauth::GrantName(settings.grant), user_.c_str());
  oauth::TokenReport report;
  if (!oauth::ObtainAccessToken(smtp, &bearer_, &report, error)) return false;
  if (report.reused) oauthSettings_ = &smtp;
  return true;
}

bool SmtpConnection::RenewRefusedToken(std::string* error) {
  if (oauthSettings_ == nullptr) return false;
  const SmtpSettings& smtp = *oauthSettings_;
  oauthSettings_ = nullptr;  // once
  const std::string refused = bearer_;
  for (char& c : bearer_) c = '\0';
  return oauth::ReplaceRefusedToken(smtp, refused, &bearer_, nullptr, error);
}

bool SmtpConnection::SignInWithStoredPassword(const SmtpSettings& smtp, std::string* error) {
  const std::string target = CredentialTarget(smtp);
  const platform::CredentialRead read = platform::ReadStoredCredential(target, &credential_);
  if (read == platform::CredentialRead::kMalformed) {
    *error = "the stored password of " + target + " is not as cmdkey stores it";
    return false;
  }
  stored_ = read == platform::CredentialRead::kFound;
  user_ = !smtp.user.empty() ? std::string(smtp.user.view()) : credential_.user;
  netrc_ = platform::NetrcFile();
  return true;
}

void SmtpConnection::FillIn(J6SmtpMail* mail) const {
  mail->url = url_.c_str();
  mail->tls = tls_;
  mail->caFile = caFile_.empty() ? nullptr : caFile_.c_str();
  mail->timeoutSeconds = timeoutSeconds_;
  mail->user = user_.empty() ? nullptr : user_.c_str();
  mail->password = stored_ ? credential_.password.c_str() : nullptr;
  mail->netrcFile = netrc_.empty() ? nullptr : netrc_.c_str();
  mail->bearer = bearer_.empty() ? nullptr : bearer_.c_str();
  mail->mechanism = mechanism_;
  mail->plainText = &plainText_;
}

}  // namespace j6
