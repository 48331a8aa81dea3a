#include "mapiex/recipient_text.h"

#include "mail/address.h"

namespace j6::mapiex {

RecipientText ParseRecipient(const char* text) {
  mail::Recipient read = mail::ReadRecipient(text != nullptr ? text : "");
  if (read.name.empty()) read.name = read.address;
  return RecipientText{read.name, read.address};
}

}  // namespace j6::mapiex
