// What the wrapper makes of a recipient or sender text, on every platform:
// no MAPI in here, so that the Windows wrapper and the one over the outbox
// read a text the same way. Whether the address may go as a one-off is
// mail::IsClientAddress.
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

}  // namespace j6::mapiex
