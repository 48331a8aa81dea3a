#include "dispatch/smtp_sender.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dispatch/sender.h"
#include "dispatch/smtp_connection.h"
#include "dispatch/smtp_settings.h"
#include "mail/address.h"
#include "mail/attachment_name.h"
#include "mail/line_breaks.h"
#include "mail/mail_text.h"
#include "net/transport.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process_ids.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace j6 {

namespace {

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

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

/// An attachment as the transport streams it.
struct Attachment {
  std::string path;  // as the run built it, for the log
  std::string name;
  std::string disposition;
  File file;
  unsigned long long size = 0;  // when it was opened: what is sent
};

size_t ReadAttachment(void* source, char* buffer, size_t size) {
  std::FILE* file = static_cast<std::FILE*>(source);
  const size_t count = std::fread(buffer, 1, size, file);
  return count == 0 && std::ferror(file) != 0 ? J6SMTP_READ_FAILED : count;
}

/// Opens the file, reads its first byte, so that a folder or an unreadable
/// file is refused before the server is asked, and takes its size; null
/// when it cannot be read (or, where long is 32 bits, is 2 GB or more).
File OpenAttachment(const std::string& hostPath, unsigned long long* size) {
  File file(platform::OpenFile(hostPath, "rb"));
  if (!file) return nullptr;
  const int first = std::fgetc(file.get());
  if (first == EOF && std::ferror(file.get()) != 0) return nullptr;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return nullptr;
  const long end = std::ftell(file.get());
  if (end < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return nullptr;
  *size = static_cast<unsigned long long>(end);
  return file;
}

/// Opens each attachment the shared step listed; false with the reason.
bool OpenAttachments(const MailParts& parts, std::vector<Attachment>* attachments,
                     std::string* error) {
  for (const MailAttachment& listed : parts.attachments) {
    Attachment attachment;
    attachment.path = listed.path;
    attachment.name =
        listed.displayName ? *listed.displayName : mail::AttachmentDisplayName(listed.path);
    attachment.file = OpenAttachment(listed.hostPath, &attachment.size);
    if (!attachment.file) {
      *error = "cannot open attachment " + listed.path;
      return false;
    }
    attachment.disposition = mail::AttachmentDisposition(attachment.name);
    attachments->push_back(std::move(attachment));
  }
  return true;
}

/// What the checks make of the run's fields for the transport.
struct Mail {
  std::string sender;
  std::vector<mail::Recipient> recipients;
  std::vector<Attachment> attachments;
};

/// The message's header lines.
std::vector<std::string> Headers(const RunState& run, const Mail& mail) {
  static unsigned messages = 0;
  const platform::LocalTime now = platform::NowLocal();
  return {
      mail::FromHeader(run.senderName.view(), mail.sender),
      mail::ToHeader(mail.recipients.data(), mail.recipients.size()),
      mail::TextHeader("Subject", run.subject.view()),
      mail::DateHeader(now),
      mail::MessageIdHeader(now, platform::CurrentProcessId(), ++messages,
                            mail.sender.substr(mail.sender.rfind('@') + 1)),
      "MIME-Version: 1.0",
      std::string("X-Mailer: J6Mailer ") + J6_VERSION,
  };
}

std::vector<const char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<const char*> pointers;
  pointers.reserve(texts.size());
  for (const std::string& text : texts) pointers.push_back(text.c_str());
  return pointers;
}

/// Hands the checked message to the transport: J6SMTP_DONE, or another
/// J6SMTP_* with the reason.
int Transmit(const RunState& run, Mail& mail, const SmtpConnection& connection,
             J6MailerNet_SendMailFunction send, std::string* error) {
  const std::vector<std::string> headers = Headers(run, mail);
  const std::vector<const char*> headerTexts = Pointers(headers);
  std::vector<std::string> addresses;
  for (const mail::Recipient& recipient : mail.recipients) addresses.push_back(recipient.address);
  const std::vector<const char*> recipients = Pointers(addresses);

  // Encoded here, so that its size is known before it is sent.
  const std::string body = mail::QuotedPrintable(mail::LineBreaksAs(run.body.view(), "\r\n"));
  std::vector<J6SmtpPart> parts;
  parts.push_back(J6SmtpPart{"text/plain; charset=windows-1252", "quoted-printable", nullptr, 0,
                             body.data(), body.size(), nullptr, nullptr, 0, nullptr});
  std::vector<const char*> dispositions;
  dispositions.reserve(mail.attachments.size());
  for (Attachment& attachment : mail.attachments) {
    dispositions.push_back(attachment.disposition.c_str());
    parts.push_back(J6SmtpPart{mail::AttachmentType(attachment.name), "base64",
                               &dispositions.back(), 1, nullptr, 0, ReadAttachment,
                               attachment.file.get(), attachment.size, attachment.path.c_str()});
  }

  J6SmtpMail message{};
  connection.FillIn(&message);
  message.mailFrom = mail.sender.c_str();
  message.recipients = recipients.data();
  message.recipientCount = recipients.size();
  message.headers = headerTexts.data();
  message.headerCount = headerTexts.size();
  message.parts = parts.data();
  message.partCount = parts.size();

  char text[512] = {};
  const int outcome = send(&message, text, sizeof text);
  if (outcome != J6SMTP_DONE) *error = text[0] != '\0' ? text : "not sent";
  return outcome;
}

/// Back to the first byte of each attachment, for a second session.
bool Rewind(std::vector<Attachment>& attachments, std::string* error) {
  for (Attachment& attachment : attachments) {
    if (std::fseek(attachment.file.get(), 0, SEEK_SET) != 0) {
      *error = "cannot read attachment " + attachment.path + " again";
      return false;
    }
  }
  return true;
}

class SmtpSender final : public Sender {
 public:
  const SenderTraits& traits() const override { return kSmtpTraits; }

  bool Open(const RunState& run) override {
    LogLine("SMTP Server: %s", ShownServer(run.smtp).c_str());
    return true;
  }

  // Every check that can be made without the server, then the transport.
  bool Prepare(RunState& run, const MailParts& parts) override {
    std::string error;
    // What needs no server nor store first: a token is asked for last.
    if (!CheckSmtpSettings(run, &mail_.sender, &error) ||
        !ReadSmtpRecipients(parts.recipients, &mail_.recipients, &error) ||
        !OpenAttachments(parts, &mail_.attachments, &error) ||
        !net::FindTransport(&library_, &transport_, &error) || !connection_.Open(run, &error)) {
      return Failed(error);
    }
    return true;
  }

  HandOver Deliver(RunState& run, bool /*wait*/) override {
    std::string error;
    int outcome = Transmit(run, mail_, connection_, transport_.send, &error);
    if (outcome == J6SMTP_LOGIN_REFUSED) {
      // A reused token the server revoked: a new one, in a new session.
      if (!connection_.RenewRefusedToken(&error)) return Undelivered(error, HandOver::kFailed);
      if (!Rewind(mail_.attachments, &error)) return Undelivered(error, HandOver::kFailed);
      outcome = Transmit(run, mail_, connection_, transport_.send, &error);
    }
    if (connection_.plainText()) LogLine("SMTP: no TLS: the server offers no STARTTLS");
    switch (outcome) {
      case J6SMTP_DONE:
        return HandOver::kHandedOver;
      case J6SMTP_MAYBE_SENT:
        return Undelivered(error, HandOver::kMaybeSent);
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

  SmtpConnection connection_;
  Mail mail_;
  platform::DynamicLibrary library_;
  net::Transport transport_;
};

}  // namespace

bool ReadSmtpRecipients(const std::vector<char*>& pieces, std::vector<mail::Recipient>* recipients,
                        std::string* error) {
  for (const char* piece : pieces) {
    if (*piece == '\0') continue;
    mail::Recipient recipient = mail::ReadRecipient(piece);
    // Anything else would go to the server as some other mailbox, or as
    // more than one.
    if (!mail::IsMailbox(recipient.address)) {
      *error = std::string("not an address: ") + piece;
      return false;
    }
    recipients->push_back(std::move(recipient));
  }
  if (!recipients->empty()) return true;
  *error = "no recipient";
  return false;
}

HandOver SendSmtp(RunState& run, bool wait) {
  SmtpSender sender;
  return HandOverMail(run, wait, sender);
}

bool ProbeSmtpServer(const RunState& run, std::string* error) {
  SmtpConnection connection;
  if (!connection.Open(run, error)) return false;
  platform::DynamicLibrary library;
  net::Transport transport;
  if (!net::FindTransport(&library, &transport, error)) return false;
  J6SmtpMail session{};
  connection.FillIn(&session);
  char text[512] = {};
  if (transport.probe(&session, text, sizeof text) == J6SMTP_DONE) return true;
  *error = text[0] != '\0' ? text : "no session";
  return false;
}

}  // namespace j6
