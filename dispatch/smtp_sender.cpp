#include "dispatch/smtp_sender.h"

#include <memory>
#include <string>
#include <vector>

#include "dispatch/outgoing_mail.h"
#include "dispatch/sender.h"
#include "dispatch/smtp_connection.h"
#include "dispatch/smtp_settings.h"
#include "mail/address.h"
#include "net/transport.h"
#include "platform/proxy_lists.h"
#include "platform/url.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace j6 {

namespace {

// The transport's outcomes are the hand-over's where they mean the same.
static_assert(static_cast<int>(HandOver::kFailed) == J6SMTP_FAILED &&
              static_cast<int>(HandOver::kHandedOver) == J6SMTP_DONE &&
              static_cast<int>(HandOver::kMaybeSent) == J6SMTP_MAYBE_SENT);

constexpr SenderTraits kSmtpTraits = {
    "SMTP",
    "Add Attachment",
    "Add Attachment2",
    "Body",
    /*bodyFirst=*/false,
    /*documentNeedsServerPath=*/true,
    "MailWait Send Successfully",
    /*hasForm=*/false,
};

/// Hands the checked message to the transport: J6SMTP_DONE, or another
/// J6SMTP_* with the reason.
int Transmit(const OutgoingMail& mail, mail::MimeMessage* message, const SmtpConnection& connection,
             J6MailerNet_SendMailFunction send, std::string* error) {
  std::vector<const char*> recipients;
  for (const mail::Recipient& recipient : mail.recipients) {
    recipients.push_back(recipient.address.c_str());
  }
  J6SmtpMail session{};
  connection.FillIn(&session);
  session.mailFrom = mail.sender.c_str();
  session.recipients = recipients.data();
  session.recipientCount = recipients.size();
  session.read = ReadMessage;
  session.source = message;
  session.messageSize = message->size();

  char text[512] = {};
  const int outcome = send(&session, text, sizeof text);
  // The message's own words when one of its files failed.
  if (outcome != J6SMTP_DONE) {
    *error = !message->failure().empty() ? message->failure() : text[0] != '\0' ? text : "not sent";
  }
  return outcome;
}

class SmtpSender final : public Sender {
 public:
  const SenderTraits& traits() const override { return kSmtpTraits; }

  std::string SenderAddress(const RunState& run) const override {
    return mail::ReadRecipient(SenderSetting(run, run.smtp.from.view())).address;
  }

  bool Open(const RunState& run) override {
    LogLine("SMTP Server: %s", ShownServer(run.smtp).c_str());
    const std::string proxy = SmtpProxyLine(run.smtp);
    if (!proxy.empty()) LogLine("%s", proxy.c_str());
    return true;
  }

  // Every check that can be made without the server, then the transport.
  bool Prepare(RunState& run, const MailParts& parts) override {
    std::string error;
    // What needs no server nor store first: a token is asked for last.
    if (!CheckSmtpSettings(run, &session_, &mail_.sender, &error) ||
        !ReadRecipients(parts.recipients, &mail_.recipients, &error) ||
        !OpenAttachments(parts, &mail_, &error) ||
        !(message_ = MakeMessage(run, mail_, true, &error)) ||
        !net::FindTransport(&library_, &transport_, &error) ||
        !connection_.Open(run, session_, &error)) {
      return Failed(error);
    }
    return true;
  }

  HandOver Deliver(RunState& /*run*/, bool /*wait*/) override {
    std::string error;
    int outcome = Transmit(mail_, message_.get(), connection_, transport_.send, &error);
    if (outcome == J6SMTP_LOGIN_REFUSED) {
      // A reused token the server revoked: a new one, in a new session.
      if (!connection_.RenewRefusedToken(&error)) return Undelivered(error, HandOver::kFailed);
      if (!message_->Rewind()) return Undelivered(message_->failure(), HandOver::kFailed);
      outcome = Transmit(mail_, message_.get(), connection_, transport_.send, &error);
    }
    if (connection_.plainText()) LogLine("SMTP: no TLS: the server offers no STARTTLS");
    switch (outcome) {
      case J6SMTP_DONE:
        return HandOver::kHandedOver;
      case J6SMTP_MAYBE_SENT:
        return Undelivered(error + ": " + kMayHaveBeenSent + "; ask before sending it again",
                           HandOver::kMaybeSent);
      default:
        return Undelivered(error, HandOver::kFailed);
    }
  }

 private:
  static bool Failed(const std::string& reason) {
    LogLine("SMTP error: %s", reason.c_str());
    return false;
  }
  static HandOver Undelivered(const std::string& reason, HandOver outcome) {
    Failed(reason);
    return outcome;
  }

  SmtpSession session_;
  SmtpConnection connection_;
  OutgoingMail mail_;
  std::unique_ptr<mail::MimeMessage> message_;
  platform::DynamicLibrary library_;
  net::Transport transport_;
};

}  // namespace

HandOver SendSmtp(RunState& run, bool wait) {
  SmtpSender sender;
  return HandOverMail(run, wait, sender);
}

SmtpProbe ProbeSmtpServer(const RunState& run, std::string* error) {
  SmtpSession settings;
  SmtpConnection connection;
  if (!ReadSmtpSession(run, &settings, error) || !connection.Open(run, settings, error)) {
    return SmtpProbe::kFailed;
  }
  platform::DynamicLibrary library;
  net::Transport transport;
  if (!net::FindTransport(&library, &transport, error)) return SmtpProbe::kFailed;
  J6SmtpMail session{};
  connection.FillIn(&session);
  // The sender a run would give, asked with MAIL FROM, RCPT TO and RSET.
  std::string sender;
  std::string unread;
  if (ReadSender(run, run.smtp.from.view(), &sender, &unread)) session.mailFrom = sender.c_str();
  char text[512] = {};
  const int outcome = transport.probe(&session, text, sizeof text);
  *error = text[0] != '\0' ? text : "no session";
  switch (outcome) {
    case J6SMTP_DONE:
      return SmtpProbe::kAnswered;
    case J6SMTP_UNSURE:
      return SmtpProbe::kUnsure;
    case J6SMTP_REFUSED_SENDER:
    case J6SMTP_NO_LOGIN:
      return SmtpProbe::kRefused;
    default:
      return error->rfind("Proxy error: ", 0) == 0 ? SmtpProbe::kRefused : SmtpProbe::kFailed;
  }
}

std::string SmtpProxyLine(const SmtpSettings& smtp) {
  if (smtp.proxy.empty()) return std::string();
  return "Proxy: " + platform::ProxyHostPort(smtp.proxy.view(), "80") + " for " +
         platform::ReadUrl(smtp.server.view()).host;
}

}  // namespace j6
