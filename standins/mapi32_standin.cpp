// MAPI32 off Windows: MAPISendMail delivers the message to the outbox. The
// compose form (MAPI_DIALOG) has no screen here, so the message is saved as a
// draft for the user's mail client and counts as sent by the user.
#include <cstdint>
#include <string>

#include "platform/ascii.h"
#include "platform/simple_mapi_abi.h"
#include "standins/outbox.h"

using j6::mapi::FLAGS;
using j6::mapi::LHANDLE;
using j6::mapi::MapiMessage;
using j6::mapi::ULONG;

namespace {

std::string Text(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

/// Mail clients take "SMTP:" (any case) before an address to name its type.
std::string Address(const char* text) {
  std::string address = Text(text);
  if (j6::platform::StartsWithIgnoringAsciiCase(address, "smtp:")) address.erase(0, 5);
  return address;
}

ULONG Send(const MapiMessage& in, FLAGS flags) {
  if ((in.nRecipCount > 0 && in.lpRecips == nullptr) ||
      (in.nFileCount > 0 && in.lpFiles == nullptr)) {
    return j6::mapi::kMapiFailure;
  }
  j6::outbox::Message message;
  if (in.lpOriginator != nullptr) {
    message.sender =
        j6::outbox::Mailbox{Text(in.lpOriginator->lpszName), Address(in.lpOriginator->lpszAddress)};
  }
  for (ULONG i = 0; i < in.nRecipCount; ++i) {
    // A name is never looked up in an address book here, even one that looks
    // like an address: the program passes addresses as addresses.
    message.recipients.push_back(
        {Text(in.lpRecips[i].lpszName), Address(in.lpRecips[i].lpszAddress)});
  }
  for (ULONG i = 0; i < in.nFileCount; ++i) {
    message.attachments.push_back(
        {Text(in.lpFiles[i].lpszPathName), Text(in.lpFiles[i].lpszFileName)});
  }
  message.subject = Text(in.lpszSubject);
  message.body = Text(in.lpszNoteText);
  message.draft = (flags & j6::mapi::kMapiDialog) != 0;
  return j6::outbox::Deliver(message);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ULONG J6_MAPI_CALL
MAPISendMail(LHANDLE /*session*/, std::uintptr_t /*uiParam*/, MapiMessage* message, FLAGS flags,
             ULONG /*reserved*/) noexcept {
  if (message == nullptr) return j6::mapi::kMapiFailure;
  try {
    return Send(*message, flags);
  } catch (...) {
    return j6::mapi::kMapiFailure;
  }
}
