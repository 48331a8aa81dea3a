// The mail the network hand-overs send (SMTP, Graph), made once from the
// run: the sender, the recipients, the attachments opened and measured, and
// the MIME message of them (mail/mime_message.h), so that both routes send
// the same bytes.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "dispatch/mail_addresses.h"
#include "dispatch/sender.h"
#include "mail/address.h"
#include "mail/mime_message.h"
#include "run/run_state.h"

namespace j6 {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct OutgoingMail {
  std::string sender;
  std::vector<mail::Recipient> recipients;
  std::vector<std::unique_ptr<std::FILE, FileCloser>> files;
  std::vector<mail::MimeAttachment> attachments;  // reading `files`
};

/// Opens each attachment the shared step listed, reading its first byte so
/// that a folder or an unreadable file is refused before any server is
/// asked, and takes its size; false with "cannot open attachment <path>",
/// the whole path the run opened.
bool OpenAttachments(const MailParts& parts, OutgoingMail* mail, std::string* error);

/// The message: its header lines (From, To, Subject, Date, Message-ID,
/// MIME-Version, X-Mailer), the body and, when `withAttachments`, the
/// attachments; null with the reason when no boundary can be made. Its
/// Message-ID ("<...>") into `*messageId`, when given.
std::unique_ptr<mail::MimeMessage> MakeMessage(const RunState& run, const OutgoingMail& mail,
                                               bool withAttachments, std::string* error,
                                               std::string* messageId = nullptr);

/// A MimeMessage read through the transport's callback.
std::size_t ReadMessage(void* message, char* buffer, std::size_t size);

}  // namespace j6
