#include "dispatch/outgoing_mail.h"

#include <utility>

#include "dispatch/smtp_settings.h"
#include "mail/attachment_name.h"
#include "mail/line_breaks.h"
#include "mail/mail_text.h"
#include "net/net_transport.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process_ids.h"
#include "platform/random_bytes.h"

namespace j6 {

namespace {

/// Null when the file cannot be read (or, where long is 32 bits, is 2 GB
/// or more).
std::FILE* OpenAttachment(const std::string& hostPath, unsigned long long* size) {
  std::unique_ptr<std::FILE, FileCloser> file(platform::OpenFile(hostPath, "rb"));
  if (!file) return nullptr;
  const int first = std::fgetc(file.get());
  if (first == EOF && std::ferror(file.get()) != 0) return nullptr;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return nullptr;
  const long end = std::ftell(file.get());
  if (end < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return nullptr;
  *size = static_cast<unsigned long long>(end);
  return file.release();
}

}  // namespace

bool OpenAttachments(const MailParts& parts, OutgoingMail* mail, std::string* error) {
  for (const MailAttachment& listed : parts.attachments) {
    mail::MimeAttachment attachment;
    attachment.origin = listed.path;
    attachment.name =
        listed.displayName ? *listed.displayName : mail::AttachmentDisplayName(listed.path);
    attachment.file = OpenAttachment(listed.hostPath, &attachment.size);
    if (attachment.file == nullptr) {
      // Its whole path: a name alone ("CONDIZIONI.PDF") says not where.
      *error = "cannot open attachment " + listed.hostPath;
      return false;
    }
    mail->files.emplace_back(attachment.file);
    mail->attachments.push_back(std::move(attachment));
  }
  return true;
}

std::unique_ptr<mail::MimeMessage> MakeMessage(const RunState& run, const OutgoingMail& mail,
                                               bool withAttachments, std::string* error,
                                               std::string* messageId) {
  static unsigned messages = 0;
  std::string random;
  if (!platform::RandomBytes(12, &random, error)) return nullptr;
  const platform::LocalTime now = platform::NowLocal();
  std::vector<std::string> headers = {
      mail::FromHeader(run.senderName.view(), mail.sender),
      mail::ToHeader(mail.recipients.data(), mail.recipients.size()),
      mail::TextHeader("Subject", run.subject.view()),
      mail::DateHeader(now),
      mail::MessageIdHeader(now, platform::CurrentProcessId(), ++messages,
                            mail.sender.substr(mail.sender.rfind('@') + 1)),
      "MIME-Version: 1.0",
      std::string("X-Mailer: J6Mailer ") + J6_VERSION,
  };
  if (messageId != nullptr) *messageId = headers[4].substr(headers[4].find('<'));
  // A mail from FROM: answers go to the host's own address.
  const std::string reply = ReplyAddress(run, mail.sender);
  if (!reply.empty()) {
    headers.insert(headers.begin() + 1, mail::ReplyToHeader(run.senderName.view(), reply));
  }
  static const std::vector<mail::MimeAttachment> kNone;
  return std::make_unique<mail::MimeMessage>(headers, mail::LineBreaksAs(run.body.view(), "\r\n"),
                                             withAttachments ? mail.attachments : kNone,
                                             mail::MimeBoundary(random));
}

// One marker of a read that failed, from the message to the transport.
static_assert(mail::kReadFailed == J6_READ_FAILED);

std::size_t ReadMessage(void* message, char* buffer, std::size_t size) {
  return static_cast<mail::MimeMessage*>(message)->Read(buffer, size);
}

}  // namespace j6
