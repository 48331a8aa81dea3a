#include "dispatch/smtp_connection.h"

#include "dispatch/smtp_settings.h"

#include "oauth/access_token.h"
#include "platform/proxy_lists.h"
#include "platform/wipe.h"
#include "run/run_log.h"

namespace j6 {

namespace {

int TlsMode(SmtpTls tls) {
  switch (tls) {
    case SmtpTls::kNone:
      return J6SMTP_TLS_NONE;
    case SmtpTls::kTry:
      return J6SMTP_TLS_TRY;
    case SmtpTls::kRequired:
      break;
  }
  return J6SMTP_TLS_REQUIRED;
}

}  // namespace

SmtpConnection::~SmtpConnection() {
  // The password and the token leave no copy behind in memory that is
  // handed back.
  platform::Wipe(&credential_.password);
  platform::Wipe(&bearer_);
}

bool SmtpConnection::Open(const RunState& run, const SmtpSession& session, std::string* error) {
  const SmtpSettings& smtp = run.smtp;
  url_ = session.url;
  caFile_ = session.caFile;
  tls_ = TlsMode(TlsOf(smtp));
  // As the desktop's settings take a proxy without a port.
  proxy_ = platform::ProxyHostPort(smtp.proxy.view(), "80");
  timeoutSeconds_ = smtp.timeoutSeconds;
  return session.signIn == SmtpSignIn::kOAuth2 ? SignInWithBearerToken(run, session.oauth, error)
                                               : SignInWithStoredPassword(smtp, error);
}

bool SmtpConnection::SignInWithBearerToken(const RunState& run,
                                           const oauth::OAuthSettings& settings,
                                           std::string* error) {
  client_ = SmtpOAuthClient(run);
  user_ = client_.user;
  mechanism_ = oauth::SaslName(settings.sasl);
  LogLine("SMTP Auth: OAUTH2 (%s) as %s", oauth::GrantName(settings.grant), user_.c_str());
  oauth::TokenReport report;
  if (!oauth::ObtainAccessToken(client_, &bearer_, &report, error)) return false;
  renewable_ = report.reused;
  return true;
}

bool SmtpConnection::RenewRefusedToken(std::string* error) {
  if (!renewable_) return false;
  renewable_ = false;  // once
  std::string refused = bearer_;
  platform::Wipe(&bearer_);
  const bool replaced = oauth::ReplaceRefusedToken(client_, refused, &bearer_, nullptr, error);
  platform::Wipe(&refused);
  return replaced;
}

bool SmtpConnection::SignInWithStoredPassword(const SmtpSettings& smtp, std::string* error) {
  std::string target;
  const platform::Lookup read = ReadSmtpLogin(smtp, &credential_, &target, error);
  if (read == platform::Lookup::kFailed) return false;
  stored_ = read == platform::Lookup::kFound;
  user_ = !smtp.user.empty() ? std::string(smtp.user.view()) : credential_.user;
  return true;
}

void SmtpConnection::FillIn(J6SmtpMail* mail) const {
  mail->url = url_.c_str();
  mail->tls = tls_;
  mail->caFile = caFile_.empty() ? nullptr : caFile_.c_str();
  mail->timeoutSeconds = timeoutSeconds_;
  mail->user = user_.empty() ? nullptr : user_.c_str();
  mail->password = stored_ ? credential_.password.c_str() : nullptr;
  mail->bearer = bearer_.empty() ? nullptr : bearer_.c_str();
  mail->mechanism = mechanism_;
  mail->plainText = &plainText_;
  mail->proxy = proxy_.empty() ? nullptr : proxy_.c_str();
}

}  // namespace j6
