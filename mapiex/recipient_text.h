// What the wrapper makes of a recipient or sender text, on every platform:
// no MAPI in here, so that the Windows wrapper and the one over the outbox
// take a text for an address by the same rule.
#pragma once

#include <string>

namespace j6::mapiex {

/// A recipient text split into display name and address as every hand-over
/// reads it (mail::ReadRecipient): "Name <a@b>" gives both, a bare text is
/// both; a leading "SMTP:" is not part of the address.
struct RecipientText {
  std::string name;
  std::string address;
};
RecipientText ParseRecipient(const char* text);

/// True when the text can go to the mail client as an address of a one-off:
/// an `@` with something on either side, and no blank or control character.
/// Laxer than the SMTP sender's mail::IsMailbox: the client writes the
/// envelope itself.
bool IsInternetAddress(const std::string& text);

}  // namespace j6::mapiex
