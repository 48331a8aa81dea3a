#include "dispatch/smtp_sender.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dispatch/attachment_name.h"
#include "dispatch/compose.h"
#include "dispatch/mail_text.h"
#include "dispatch/recipients.h"
#include "dispatch/smtp_connection.h"
#include "mail/address.h"
#include "net/transport.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process_ids.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/text.h"
#include "run/warning.h"

namespace j6 {

namespace {

constexpr std::size_t kMaxQuestionText = 511;

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
File OpenAttachment(const std::string& path, unsigned long long* size) {
  File file(platform::OpenFile(platform::AbsolutePath(path), "rb"));
  if (!file) return nullptr;
  const int first = std::fgetc(file.get());
  if (first == EOF && std::ferror(file.get()) != 0) return nullptr;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return nullptr;
  const long end = std::ftell(file.get());
  if (end < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return nullptr;
  *size = static_cast<unsigned long long>(end);
  return file;
}

/// What the checks make of the run's fields for the transport.
struct Mail {
  std::string sender;
  std::vector<mail::Recipient> recipients;
  std::vector<Attachment> attachments;
};

/// Every check that can be made without the server; the failure's text, or
/// empty.
std::string Prepare(const RunState& run, const std::vector<char*>& pieces, Mail* mail,
                    SmtpConnection* connection) {
  std::string server = connection->Open(run.smtp);
  if (!server.empty()) return server;
  const std::string sender(!run.senderEmail.empty() ? run.senderEmail.view()
                                                    : run.smtp.from.view());
  if (sender.empty()) return "no sender address";
  mail->sender = mail::ReadRecipient(sender).address;
  if (!mail::IsMailbox(mail->sender)) return "the sender is not an address: " + sender;
  std::string recipients = ReadSmtpRecipients(pieces, &mail->recipients);
  if (!recipients.empty()) return recipients;
  for (Attachment& attachment : mail->attachments) {
    attachment.file = OpenAttachment(attachment.path, &attachment.size);
    if (!attachment.file) return "cannot open attachment " + attachment.path;
    attachment.disposition = AttachmentDisposition(attachment.name);
  }
  return std::string();
}

/// The message's header lines.
std::vector<std::string> Headers(const RunState& run, const Mail& mail) {
  static unsigned messages = 0;
  const platform::LocalTime now = platform::NowLocal();
  return {
      FromHeader(run.senderName.view(), mail.sender),
      ToHeader(mail.recipients.data(), mail.recipients.size()),
      TextHeader("Subject", run.subject.view()),
      DateHeader(now),
      MessageIdHeader(now, platform::CurrentProcessId(), ++messages,
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

/// Hands the checked message to the transport; the failure's text, or
/// empty.
std::string Transmit(const RunState& run, Mail& mail, const SmtpConnection& connection,
                     J6MailerNet_SendMailFunction send) {
  const std::vector<std::string> headers = Headers(run, mail);
  const std::vector<const char*> headerTexts = Pointers(headers);
  std::vector<std::string> addresses;
  for (const mail::Recipient& recipient : mail.recipients) addresses.push_back(recipient.address);
  const std::vector<const char*> recipients = Pointers(addresses);

  // Encoded here, so that its size is known before it is sent.
  const std::string body = QuotedPrintable(CrLfLines(run.body.view()));
  std::vector<J6SmtpPart> parts;
  parts.push_back(J6SmtpPart{"text/plain; charset=windows-1252", "quoted-printable", nullptr, 0,
                             body.data(), body.size(), nullptr, nullptr, 0, nullptr});
  std::vector<const char*> dispositions;
  dispositions.reserve(mail.attachments.size());
  for (Attachment& attachment : mail.attachments) {
    dispositions.push_back(attachment.disposition.c_str());
    parts.push_back(J6SmtpPart{AttachmentType(attachment.name), "base64", &dispositions.back(), 1,
                               nullptr, 0, ReadAttachment, attachment.file.get(), attachment.size,
                               attachment.path.c_str()});
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

  char error[512] = {};
  const bool sent = send(&message, error, sizeof error) != 0;
  return sent ? std::string() : std::string(error[0] != '\0' ? error : "not sent");
}

HandOver Failed(const std::string& reason) {
  LogLine("SMTP error: %s", reason.c_str());
  return HandOver::kFailed;
}

}  // namespace

std::string ReadSmtpRecipients(const std::vector<char*>& pieces,
                               std::vector<mail::Recipient>* recipients) {
  for (const char* piece : pieces) {
    if (*piece == '\0') continue;
    mail::Recipient recipient = mail::ReadRecipient(piece);
    // Anything else would go to the server as some other mailbox, or as
    // more than one.
    if (!mail::IsMailbox(recipient.address)) return std::string("not an address: ") + piece;
    recipients->push_back(std::move(recipient));
  }
  return recipients->empty() ? "no recipient" : std::string();
}

HandOver SendSmtp(RunState& run, bool wait) {
  LogLine("Use SMTP mode (%d)", wait ? 1 : 0);
  LogLine("SMTP Server: %s", ShownServer(run.smtp).c_str());
  if (!run.senderName.empty()) {
    LogLine("Mail From: %s <%s>", run.senderName.c_str(), run.senderEmail.c_str());
  }
  // The question shows the list whole; the split below cuts it in place.
  const std::string list(run.recipients.view());
  LogLine("Send To: %s", run.recipients.c_str());
  const std::vector<char*> pieces = SplitRecipients(run.recipients.data());
  LogLine("Subject: %s", run.subject.c_str());

  Mail mail;
  if (!run.documentPath.empty() && !run.remoteDocumentPath.empty()) {
    const std::string name(FileNamePart(run.remoteDocumentPath.view()));
    LogLine("Add Attachment: %s [%s]", run.documentPath.c_str(), name.c_str());
    mail.attachments.push_back(Attachment{std::string(run.documentPath.view()),
                                          AttachmentDisplayName(run.remoteDocumentPath.view()),
                                          std::string(), nullptr});
  }
  if (!run.extraAttachmentPath.empty()) {
    LogLine("Add Attachment2: %s", run.extraAttachmentPath.c_str());
    mail.attachments.push_back(Attachment{std::string(run.extraAttachmentPath.view()),
                                          AttachmentDisplayName(run.extraAttachmentPath.view()),
                                          std::string(), nullptr});
  }
  LogBodyLine("Body: %s", BodyAsLogged(run).c_str());

  SmtpConnection connection;
  const std::string problem = Prepare(run, pieces, &mail, &connection);
  if (!problem.empty()) return Failed(problem);

  platform::DynamicLibrary library;
  net::Transport transport;
  std::string why;
  if (!net::FindTransport(&library, &transport, &why)) return Failed(why);

  if (wait) {
    const FixedString<kMaxQuestionText> question(
        "Send this e-mail now?\n\n" + MailSummary(list, run.subject.view(), run.body.view()));
    if (!AskQuestion(question.c_str())) {
      LogLine("MailWait User Cancel");
      return HandOver::kHandedOver;
    }
  }
  const std::string failure = Transmit(run, mail, connection, transport.send);
  if (!failure.empty()) return Failed(failure);
  LogLine("%s", wait ? "MailWait Send Successfully" : "Sent successfully");
  return HandOver::kHandedOver;
}

std::string ProbeSmtpServer(const RunState& run) {
  SmtpConnection connection;
  std::string settings = connection.Open(run.smtp);
  if (!settings.empty()) return settings;
  platform::DynamicLibrary library;
  net::Transport transport;
  std::string why;
  if (!net::FindTransport(&library, &transport, &why)) return why;
  J6SmtpMail session{};
  connection.FillIn(&session);
  char error[512] = {};
  if (transport.probe(&session, error, sizeof error) != 0) return std::string();
  return error[0] != '\0' ? error : "no session";
}

}  // namespace j6
