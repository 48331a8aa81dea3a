// The outbox that the off-Windows mail stand-ins deliver to: each message
// becomes one MIME file (*.eml) that a mail client can open. Shared by the
// MAPI32 and MAPIEx stand-ins, so both deliver the same way.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/simple_mapi_abi.h"

namespace j6::outbox {

/// Texts are 8-bit Windows-1252, as the program hands them to a mail library.
struct Mailbox {
  std::string name;
  std::string address;  // empty: none
};

struct Attachment {
  std::string path;  // Windows form
  std::string name;  // as the recipient sees it; empty: the path's file name
};

struct Message {
  std::optional<Mailbox> sender;  // From only when it has a name or an address
  std::vector<Mailbox> recipients;
  std::string subject;
  std::string body;  // line breaks are single line feeds
  std::vector<Attachment> attachments;
  bool draft = false;  // saved for the user to edit and send (X-Unsent: 1)
};

/// Checks the message (attachments, then recipients) and writes it as a new
/// .eml file in the outbox folder (platform::OutboxFolder). Returns the
/// Simple MAPI result: 0; 11 for an attachment that cannot be read; 14 for a
/// recipient without an address; 25 for no recipient when not a draft; 2
/// when the outbox cannot be written.
/// Nothing is left in the outbox unless the result is 0, and then `file`
/// (when given) receives the new file's path.
mapi::ULONG Deliver(const Message& message, std::string* file = nullptr) noexcept;

}  // namespace j6::outbox
