#include "mapiex/recipient_text.h"

#include "mail/address.h"

namespace j6::mapiex {

RecipientText ParseRecipient(const char* text) {
  mail::Recipient read = mail::ReadRecipient(text != nullptr ? text : "");
  if (read.name.empty()) read.name = read.address;
  return RecipientText{read.name, read.address};
}

// Not the SMTP sender's RFC 5321 rule (mail::IsMailbox): here the mail
// client's own transport writes the envelope, and it may well take what the
// program's SMTP client cannot send (an international domain or local part
// in the code page); it only must not become a one-off that bounces.
bool IsInternetAddress(const std::string& text) {
  const auto at = text.rfind('@');
  if (at == std::string::npos || at == 0 || at + 1 == text.size()) return false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') return false;
  }
  return true;
}

}  // namespace j6::mapiex
