// The Extended wrapper off Windows: there is no message store, so a session
// only has to exist, and a message collects its fields until Send or
// ShowForm hands it to the outbox, as the MAPI32 stand-in does.
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "mail/address.h"
#include "mapiex/mapiex.h"
#include "mapiex/recipient_text.h"
#include "standins/outbox.h"

// Each export is declared by mapiex.h's list: one defined here with another
// type is a conflicting declaration of a C function, which does not compile.
#define J6_EXPORT __attribute__((visibility("default")))

namespace {

struct Session {
  char outbox = 0;  // only its address is handed out, as the outbox folder's handle
};

struct Message {
  std::string senderName;
  std::string senderEmail;
  std::string subject;
  std::string body;
  std::vector<j6::outbox::Mailbox> recipients;
  std::vector<j6::outbox::Attachment> attachments;
};

Session* AsSession(void* handle) { return static_cast<Session*>(handle); }
Message* AsMessage(void* handle) { return static_cast<Message*>(handle); }
std::string Text(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

/// 1 when the message reaches the outbox, else 0; the result number has no
/// way through this interface.
int Deliver(void* handle, bool draft) noexcept {
  Message* message = AsMessage(handle);
  if (message == nullptr) return 0;
  try {
    j6::outbox::Message fields;
    fields.recipients = message->recipients;
    fields.subject = message->subject;
    fields.body = message->body;
    fields.attachments = message->attachments;
    fields.sender = j6::outbox::Mailbox{message->senderName, message->senderEmail};
    fields.draft = draft;
    return j6::outbox::Deliver(fields) == j6::mapi::kMapiSuccess ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

/// Stores a text argument; a setter has no result, so a text that cannot be
/// stored is dropped.
void Set(void* handle, std::string Message::*field, const char* text) noexcept {
  Message* message = AsMessage(handle);
  if (message == nullptr) return;
  try {
    message->*field = Text(text);
  } catch (...) {
  }
}

}  // namespace

extern "C" {

J6_EXPORT void* MAPIEx_SessionNew(void) { return new (std::nothrow) Session(); }

J6_EXPORT void MAPIEx_SessionDelete(void* session) { delete AsSession(session); }

J6_EXPORT int MAPIEx_Init(int /*flags*/) { return 1; }

J6_EXPORT void MAPIEx_Term(void) {}

J6_EXPORT int MAPIEx_Login(void* session, const char* /*profile*/) { return session != nullptr; }

J6_EXPORT int MAPIEx_OpenMessageStore(void* session, const char* /*store*/,
                                      unsigned int /*flags*/) {
  return session != nullptr;
}

J6_EXPORT const char* MAPIEx_GetProfileName(void* /*session*/) { return "J6Mailer outbox"; }

J6_EXPORT void* MAPIEx_OpenOutbox(void* session, int /*flags*/) {
  return session != nullptr ? &AsSession(session)->outbox : nullptr;
}

J6_EXPORT void MAPIEx_Logout(void* /*session*/) {}

J6_EXPORT void* MAPIEx_MessageNew(void) { return new (std::nothrow) Message(); }

J6_EXPORT void MAPIEx_MessageDelete(void* message) { delete AsMessage(message); }

J6_EXPORT int MAPIEx_MessageCreate(void* message, void* session, int /*importance*/) {
  if (message == nullptr || session == nullptr) return 0;
  // A message object created again starts empty, as a new item would.
  Message empty;
  std::swap(*AsMessage(message), empty);
  return 1;
}

J6_EXPORT void MAPIEx_SetSenderName(void* message, const char* text) {
  Set(message, &Message::senderName, text);
}

J6_EXPORT void MAPIEx_SetSenderEmail(void* message, const char* text) {
  Set(message, &Message::senderEmail, text);
}

J6_EXPORT int MAPIEx_AddRecipient(void* message, const char* text, int /*type*/) {
  if (message == nullptr || text == nullptr) return 0;
  try {
    // Without an address book a text is an address only by the rule the
    // Windows wrapper applies to what its address book does not know; any
    // other text stays without an address, and Send will refuse it.
    const j6::mapiex::RecipientText recipient = j6::mapiex::ParseRecipient(text);
    const bool isAddress = j6::mail::IsClientAddress(recipient.address);
    AsMessage(message)->recipients.push_back(
        {recipient.name, isAddress ? recipient.address : std::string()});
    return 1;
  } catch (...) {
    return 0;
  }
}

J6_EXPORT void MAPIEx_SetSubject(void* message, const char* text) {
  Set(message, &Message::subject, text);
}

J6_EXPORT void MAPIEx_SetBody(void* message, const char* text) {
  Set(message, &Message::body, text);
}

J6_EXPORT int MAPIEx_AddAttachment(void* message, const char* path, const char* name) {
  if (message == nullptr || path == nullptr) return 0;
  try {
    AsMessage(message)->attachments.push_back({path, Text(name)});
    return 1;
  } catch (...) {
    return 0;
  }
}

J6_EXPORT int MAPIEx_ShowForm(void* message, void* /*session*/) {
  // 1 is "sent by the user" and 2 a cancel; a failure is 0, neither.
  return Deliver(message, true);
}

J6_EXPORT int MAPIEx_Send(void* message) { return Deliver(message, false); }

}  // extern "C"
