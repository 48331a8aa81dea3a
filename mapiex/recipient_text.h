// What the wrapper makes of a recipient or sender text, on every platform:
// no MAPI in here, so that the Windows wrapper and the one over the outbox
// take a text for an address by the same rule.
#pragma once

#include <string>

namespace j6::mapiex {

/// A recipient text split into display name and address: "Name <a@b>" gives
/// both, a bare text is both; a leading "SMTP:" is not part of the address.
struct RecipientText {
  std::string name;
  std::string address;
};
RecipientText ParseRecipient(const char* text);

/// True when the text can be handed to a mail server as an address: an `@`
/// with something on either side, and no blank or control character.
bool IsInternetAddress(const std::string& text);

}  // namespace j6::mapiex
