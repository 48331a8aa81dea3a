#include "check/smtp_check.h"

#include <string>

#include "check/oauth_check.h"

#include "dispatch/smtp_connection.h"
#include "dispatch/smtp_sender.h"
#include "oauth/settings.h"
#include "platform/ascii.h"
#include "platform/credentials.h"

namespace j6::check {

namespace {

constexpr const char* kNotSent = "every SMTP run ends in \"Email not sent.\"";

template <std::size_t N>
std::string ValueOr(const FixedString<N>& value, const char* otherwise) {
  return value.empty() ? std::string(otherwise) : std::string(value.view());
}

}  // namespace

void CheckSmtp(const RunState& run, Report& report) {
  const SmtpSettings& smtp = run.smtp;
  if (!smtp.overlong.empty()) {
    report.Fail(std::string(smtp.overlong.view()) + " of [SMTP] is too long: " + kNotSent);
    return;
  }
  if (smtp.server.empty()) {
    report.Fail(std::string("no SERVER in [SMTP]: ") + kNotSent);
    return;
  }
  if (ServerHoldsLogin(smtp.server.view())) {
    report.Fail(std::string("SERVER must not hold a user or password: ") + kNotSent);
    return;
  }
  report.Ok("SERVER=" + std::string(smtp.server.view()));
  const std::string tls = ValueOr(smtp.tls, "default (REQUIRED)");
  if (platform::EqualsIgnoringAsciiCase(smtp.tls.view(), "NONE")) {
    report.Warn("TLS=NONE: mail and password cross the network in plain text");
  } else if (platform::EqualsIgnoringAsciiCase(smtp.tls.view(), "TRY")) {
    report.Warn("TLS=TRY: to a server without STARTTLS mail goes in plain text, and no login");
  } else {
    report.Ok("TLS=" + tls);
  }
  report.Ok("CAFILE=" + ValueOr(smtp.caFile, "default (the system's authorities)"));
  report.Ok("TIMEOUT=" + std::to_string(smtp.timeoutSeconds) + " seconds");
  report.Ok("HELO=" + ValueOr(smtp.helo, "default (the machine's fully qualified name)"));

  const std::string sender(!run.senderEmail.empty() ? run.senderEmail.view() : smtp.from.view());
  if (sender.empty()) {
    report.Fail(std::string("no sender address (MailFromEmail, else FROM of [SMTP]): ") + kNotSent);
  } else if (run.senderEmailCut) {
    report.Fail(std::string("MailFromEmail is longer than 100 characters: ") + kNotSent);
  } else {
    report.Ok("mail goes from " + sender);
  }
  switch (oauth::SignInOf(smtp)) {
    case oauth::SignIn::kOAuth2:
      CheckOAuth(run, report);
      return;
    case oauth::SignIn::kUnknown:
      report.Fail("AUTH is not PASSWORD or OAUTH2: " + std::string(smtp.auth.view()) + ": " +
                  kNotSent);
      return;
    case oauth::SignIn::kPassword:
      break;
  }

  platform::StoredCredential credential;
  const std::string target = CredentialTarget(smtp);
  const bool stored =
      platform::ReadStoredCredential(target, &credential) == platform::CredentialRead::kFound;
  for (char& c : credential.password) c = '\0';
  if (platform::NetrcReadableByOthers()) {
    report.Warn("others can read the netrc file " + platform::NetrcFile() +
                ": make it the user's alone (chmod 600)");
  }
  const std::string user = !smtp.user.empty() ? std::string(smtp.user.view()) : credential.user;
  if (stored) {
    report.Ok("a password is stored for " + target);
  }
  report.Ok(user.empty() ? std::string("USER: none (a login stored for the server is used)")
                         : "USER=" + user);

  std::string failure;
  if (ProbeSmtpServer(run, &failure)) {
    report.Ok("the server " + std::string(smtp.server.view()) +
              " answers, with TLS as asked and the login accepted (nothing sent)");
  } else {
    report.Fail("SMTP server " + std::string(smtp.server.view()) + ": " + failure);
  }
}

}  // namespace j6::check
