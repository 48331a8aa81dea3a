#include "check/smtp_check.h"

#include <string>

#include "check/oauth_check.h"

#include "dispatch/smtp_sender.h"
#include "dispatch/smtp_settings.h"
#include "platform/credentials.h"
#include "platform/wipe.h"

namespace j6::check {

namespace {

template <std::size_t N>
std::string ValueOr(const FixedString<N>& value, const char* otherwise) {
  return value.empty() ? std::string(otherwise) : std::string(value.view());
}

/// CAFILE, and under Wine what an empty one means.
void ReportAuthorities(const SmtpSettings& smtp, Report& report) {
  std::string path;
  std::string error;
  if (!ReadAuthorities(smtp, &path, &error)) {
    report.Fail(error + ": " + kNotSent);
  } else if (smtp.caFile.empty() && !path.empty()) {
    report.Ok("CAFILE=default: under Wine, the host system's authorities " + path);
  } else {
    report.Ok("CAFILE=" + ValueOr(smtp.caFile, "default (the system's authorities)"));
  }
}

}  // namespace

void CheckSmtp(const RunState& run, Report& report) {
  // Each setting by the run's own rule (dispatch/smtp_settings.h), so that
  // the check fails where a run would, with the run's reason.
  const SmtpSettings& smtp = run.smtp;
  std::string error;
  std::string url;
  if (!ReadServer(smtp, &url, &error)) {
    report.Fail(error + ": " + kNotSent);
    return;
  }
  report.Ok("SERVER=" + std::string(smtp.server.view()));
  switch (TlsOf(smtp)) {
    case SmtpTls::kNone:
      report.Warn("TLS=NONE: mail and password cross the network in plain text");
      break;
    case SmtpTls::kTry:
      report.Warn("TLS=TRY: to a server without STARTTLS mail goes in plain text, and no login");
      break;
    case SmtpTls::kRequired:
      report.Ok("TLS=" + ValueOr(smtp.tls, "default (REQUIRED)"));
      break;
  }
  ReportAuthorities(smtp, report);
  report.Ok("TIMEOUT=" + std::to_string(smtp.timeoutSeconds) + " seconds");
  report.Ok("HELO=" + ValueOr(smtp.helo, "default (the machine's fully qualified name)"));

  std::string sender;
  if (ReadSender(run, run.smtp.from.view(), &sender, &error)) {
    report.Ok("mail goes from " + sender);
    const std::string reply = ReplyAddress(run, sender);
    if (!reply.empty()) report.Ok("replies go to " + reply + " (Reply-To)");
  } else {
    report.Fail(error + ": " + kNotSent);
  }
  oauth::OAuthSettings oauth;
  if (!ReadSignIn(run, &oauth, &error)) {
    report.Fail(error + ": " + kNotSent);
    return;
  }
  if (SignInOf(smtp) == SmtpSignIn::kOAuth2) {
    CheckOAuth(run, report);
    return;
  }

  platform::StoredCredential credential;
  std::string target;
  const platform::Lookup read = ReadSmtpLogin(smtp, &credential, &target, &error);
  platform::Wipe(&credential.password);
  if (read == platform::Lookup::kFailed) {
    report.Fail(error + ": " + kNotSent);
    return;
  }
  if (platform::NetrcReadableByOthers()) {
    report.Warn("others can read the netrc file " + platform::NetrcFile() +
                ": make it the user's alone (chmod 600)");
  }
  const std::string user = !smtp.user.empty() ? std::string(smtp.user.view()) : credential.user;
  const bool login = read == platform::Lookup::kFound;
  if (login) {
    report.Ok("a password is stored as " + target);
  } else if (!user.empty()) {
    // The run would go without a login, and the server refuse the mail.
    report.Fail("no password is stored as " + target + " for USER=" + user + ": " + kNotSent);
    return;
  } else {
    report.Ok("no login: nothing is stored as " + target);
  }
  if (!user.empty()) report.Ok("USER=" + user);

  const std::string proxy = SmtpProxyLine(smtp);
  if (!proxy.empty()) report.Ok(proxy);
  ReportSmtpProbe(run,
                  "the server " + std::string(smtp.server.view()) + " answers, with TLS as asked" +
                      (login ? " and the login accepted" : ", no login") + " (nothing sent)",
                  report);
}

void ReportSmtpProbe(const RunState& run, const std::string& answered, Report& report) {
  std::string failure;
  switch (ProbeSmtpServer(run, &failure)) {
    case SmtpProbe::kAnswered:
      report.Ok(answered);
      break;
    case SmtpProbe::kUnsure:
      report.Warn(failure);
      break;
    case SmtpProbe::kRefused:
      report.Fail(failure);
      break;
    case SmtpProbe::kFailed:
      report.Fail("SMTP server " + std::string(run.smtp.server.view()) + ": " + failure);
      break;
  }
}

}  // namespace j6::check
