#include "check/gmail_check.h"

#include <string>

#include "check/oauth_check.h"
#include "check/smtp_check.h"
#include "dispatch/gmail_sender.h"
#include "dispatch/gmail_settings.h"
#include "platform/ascii.h"
#include "platform/wipe.h"

namespace j6::check {

void CheckGmail(const RunState& run, Report& report) {
  const GmailSettings& gmail = run.gmail;
  std::string sender;
  std::string error;
  if (!CheckGmailSettings(run, &sender, &error)) {
    report.Fail(error + ": " + kNotSent);
    return;
  }
  const std::string user(gmail.user.view());
  report.Ok("URL=" + GmailUrl(gmail) + (gmail.url.empty() ? " (default)" : ""));
  report.Ok("USER=" + user);
  const oauth::OAuthClient client = GmailOAuthClient(run);
  if (gmail.caFile.empty()) {
    report.Ok(client.caFile.empty()
                  ? std::string("CAFILE=default (the system's authorities)")
                  : "CAFILE=default: under Wine, the host system's authorities " + client.caFile);
  } else {
    report.Ok("CAFILE=" + std::string(gmail.caFile.view()));
  }
  report.Ok("TIMEOUT=" + std::to_string(gmail.timeoutSeconds) + " seconds");
  if (platform::EqualsIgnoringAsciiCase(sender, user)) {
    report.Ok("mail goes from " + sender);
  } else {
    report.Warn("mail goes from " + sender + ", not USER: Gmail writes " + user +
                " instead unless it is a verified \"Send mail as\" address of that mailbox");
  }
  std::string token;
  if (CheckOAuthClient(client, report, &token)) {
    ReportProxy(client, client.server, report);
    if (ProbeGmail(run, token, &error)) {
      report.Ok("Gmail " + GmailUrl(gmail) + " takes the token to send as " + user +
                " (nothing sent)");
    } else if (error.rfind("Proxy error: ", 0) == 0) {
      report.Fail(error);  // the proxy's, not Gmail's
    } else {
      report.Fail("Gmail " + GmailUrl(gmail) + ": " + error);
    }
  }
  platform::Wipe(&token);
}

}  // namespace j6::check
