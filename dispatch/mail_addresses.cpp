#include "dispatch/mail_addresses.h"

#include <utility>

#include "platform/ascii.h"

namespace j6 {

std::string SenderSetting(const RunState& run, std::string_view from) {
  return std::string(!from.empty() ? from : run.senderEmail.view());
}

std::string ReplyAddress(const RunState& run, const std::string& sender) {
  if (run.senderEmail.empty()) return std::string();
  const std::string host = mail::ReadRecipient(std::string(run.senderEmail.view())).address;
  return platform::EqualsIgnoringAsciiCase(host, sender) ? std::string() : host;
}

bool ReadSender(const RunState& run, std::string_view from, std::string* sender,
                std::string* error) {
  if (run.senderEmailCut) {
    // Cut, it names some other mailbox.
    *error = "MailFromEmail is longer than 100 characters";
    return false;
  }
  const std::string setting = SenderSetting(run, from);
  if (setting.empty()) {
    *error = "no sender address";
    return false;
  }
  *sender = mail::ReadRecipient(setting).address;
  if (mail::IsMailbox(*sender)) return true;
  *error = "the sender is not an address: " + setting;
  return false;
}

bool ReadRecipients(const std::vector<char*>& pieces, std::vector<mail::Recipient>* recipients,
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

}  // namespace j6
