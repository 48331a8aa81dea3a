#include "dispatch/smtp_sender.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "dispatch/attachment_name.h"
#include "dispatch/compose.h"
#include "dispatch/mail_text.h"
#include "dispatch/recipients.h"
#include "platform/ascii.h"
#include "platform/clock.h"
#include "platform/credentials.h"
#include "platform/files.h"
#include "platform/process_ids.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/text.h"
#include "run/warning.h"
#include "smtp/transport.h"

namespace j6 {

namespace {

constexpr std::size_t kMaxQuestionText = 511;
constexpr const char* kCredentialPrefix = "J6Mailer:";

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
};

size_t ReadAttachment(void* source, char* buffer, size_t size) {
  std::FILE* file = static_cast<std::FILE*>(source);
  const size_t count = std::fread(buffer, 1, size, file);
  return count == 0 && std::ferror(file) != 0 ? J6SMTP_READ_FAILED : count;
}

/// Opens the file and reads its first byte, so that a folder or an
/// unreadable file is refused before the server is asked; null when it
/// cannot be read.
File OpenAttachment(const std::string& path) {
  File file(platform::OpenFile(platform::AbsolutePath(path), "rb"));
  if (!file) return nullptr;
  const int first = std::fgetc(file.get());
  if (first == EOF && std::ferror(file.get()) != 0) return nullptr;
  if (first != EOF && std::ungetc(first, file.get()) == EOF) return nullptr;
  return file;
}

int TlsMode(std::string_view setting) {
  if (platform::EqualsIgnoringAsciiCase(setting, "NONE")) return J6SMTP_TLS_NONE;
  if (platform::EqualsIgnoringAsciiCase(setting, "TRY")) return J6SMTP_TLS_TRY;
  return J6SMTP_TLS_REQUIRED;
}

/// What the checks make of the run's fields for the transport.
struct Mail {
  std::string url;
  std::string sender;
  std::vector<std::string> recipients;
  std::vector<Attachment> attachments;
};

/// What of the [SMTP] settings can be wrong before the server is asked; the
/// failure's text, or empty, and the server's URL in `*url`.
std::string CheckServerSettings(const SmtpSettings& smtp, std::string* url) {
  if (!smtp.overlong.empty()) return std::string(smtp.overlong.view()) + " is too long";
  if (smtp.server.empty()) return "no server";
  if (!ServerUrl(smtp.server.view(), url)) {
    return "not an smtp:// or smtps:// server: " + std::string(smtp.server.view());
  }
  return std::string();
}

/// The session's side of a mail: the server, TLS and the login, the stored
/// password among them.
struct Connection {
  std::string url;
  std::string user;
  std::string caFile;
  std::string netrc;
  platform::StoredCredential credential;
  bool stored = false;

  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  // The password leaves no copy behind in memory that is handed back.
  ~Connection() {
    for (char& c : credential.password) c = '\0';
  }

  void Fill(const SmtpSettings& smtp, J6SmtpMail* mail) {
    stored = platform::ReadStoredCredential(kCredentialPrefix + std::string(smtp.server.view()),
                                            &credential);
    user = !smtp.user.empty() ? std::string(smtp.user.view()) : credential.user;
    netrc = platform::NetrcFile();
    caFile = smtp.caFile.empty() ? std::string() : platform::FileSystemPath(smtp.caFile.c_str());
    mail->url = url.c_str();
    mail->tls = TlsMode(smtp.tls.view());
    mail->caFile = caFile.empty() ? nullptr : caFile.c_str();
    mail->timeoutSeconds = smtp.timeoutSeconds;
    mail->user = user.empty() ? nullptr : user.c_str();
    mail->password = stored ? credential.password.c_str() : nullptr;
    mail->netrcFile = netrc.empty() ? nullptr : netrc.c_str();
  }
};

/// Every check that can be made without the server; the failure's text, or
/// empty.
std::string Prepare(const RunState& run, const std::vector<char*>& pieces, Mail* mail) {
  std::string server = CheckServerSettings(run.smtp, &mail->url);
  if (!server.empty()) return server;
  mail->sender =
      std::string(!run.senderEmail.empty() ? run.senderEmail.view() : run.smtp.from.view());
  if (mail->sender.empty()) return "no sender address";
  if (!IsMailAddress(mail->sender)) return "the sender is not an address: " + mail->sender;
  for (const char* piece : pieces) {
    if (*piece == '\0') continue;
    if (!IsMailAddress(piece)) return std::string("not an address: ") + piece;
    mail->recipients.emplace_back(piece);
  }
  if (mail->recipients.empty()) return "no recipient";
  for (Attachment& attachment : mail->attachments) {
    attachment.file = OpenAttachment(attachment.path);
    if (!attachment.file) return "cannot open attachment " + attachment.path;
    attachment.disposition = AttachmentDisposition(attachment.name);
  }
  return std::string();
}

/// The message's header lines.
std::vector<std::string> Headers(const RunState& run, const Mail& mail) {
  static unsigned messages = 0;
  const platform::LocalTime now = platform::NowLocal();
  std::vector<std::string_view> to(mail.recipients.begin(), mail.recipients.end());
  return {
      FromHeader(run.senderName.view(), mail.sender),
      ToHeader(to.data(), to.size()),
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
std::string Transmit(const RunState& run, Mail& mail, J6SmtpSendFunction send) {
  const std::vector<std::string> headers = Headers(run, mail);
  const std::vector<const char*> headerTexts = Pointers(headers);
  const std::vector<const char*> recipients = Pointers(mail.recipients);

  const std::string body = CrLfLines(run.body.view());
  std::vector<J6SmtpPart> parts;
  parts.push_back(J6SmtpPart{"text/plain; charset=windows-1252", "quoted-printable", nullptr, 0,
                             body.data(), body.size(), nullptr, nullptr});
  std::vector<const char*> dispositions;
  dispositions.reserve(mail.attachments.size());
  for (Attachment& attachment : mail.attachments) {
    dispositions.push_back(attachment.disposition.c_str());
    parts.push_back(J6SmtpPart{AttachmentType(attachment.name), "base64", &dispositions.back(), 1,
                               nullptr, 0, ReadAttachment, attachment.file.get()});
  }

  J6SmtpMail message{};
  Connection connection;
  connection.url = mail.url;
  connection.Fill(run.smtp, &message);
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

HandOver SendSmtp(RunState& run, bool wait) {
  LogLine("Use SMTP mode (%d)", wait ? 1 : 0);
  LogLine("SMTP Server: %s", run.smtp.server.c_str());
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

  const std::string problem = Prepare(run, pieces, &mail);
  if (!problem.empty()) return Failed(problem);

  platform::DynamicLibrary library;
  smtp::Transport transport;
  std::string why;
  if (!smtp::FindTransport(&library, &transport, &why)) return Failed(why);

  if (wait) {
    const FixedString<kMaxQuestionText> question(
        "Send this e-mail now?\n\n" + MailSummary(list, run.subject.view(), run.body.view()));
    if (!AskQuestion(question.c_str())) {
      LogLine("MailWait User Cancel");
      return HandOver::kHandedOver;
    }
  }
  const std::string failure = Transmit(run, mail, transport.send);
  if (!failure.empty()) return Failed(failure);
  LogLine("%s", wait ? "MailWait Send Successfully" : "Sent successfully");
  return HandOver::kHandedOver;
}

std::string ProbeSmtpServer(const RunState& run) {
  std::string url;
  std::string settings = CheckServerSettings(run.smtp, &url);
  if (!settings.empty()) return settings;
  platform::DynamicLibrary library;
  smtp::Transport transport;
  std::string why;
  if (!smtp::FindTransport(&library, &transport, &why)) return why;
  J6SmtpMail session{};
  Connection connection;
  connection.url = url;
  connection.Fill(run.smtp, &session);
  char error[512] = {};
  if (transport.probe(&session, error, sizeof error) != 0) return std::string();
  return error[0] != '\0' ? error : "no session";
}

}  // namespace j6
