// MAPI32 in-process: MAPISendMail copies everything it was handed into the
// record and returns the result the record holds. Reading the structures as
// a mail client would is part of the check: a count beyond the array, or a
// text without its end, shows up under AddressSanitizer here.
#include "platform/simple_mapi_abi.h"
#include "tests/doubles/in_process/recording.h"

namespace j6::doubles {

namespace {

using namespace j6::mapi;

SimpleRecipient Copy(const MapiRecipDesc& recipient) {
  return {recipient.ulRecipClass, Hand(recipient.lpszName), Hand(recipient.lpszAddress)};
}

ULONG J6_MAPI_CALL SendMail(LHANDLE session, std::uintptr_t uiParam, MapiMessage* message,
                            FLAGS flags, ULONG reserved) {
  SimpleRecord& record = Simple();
  SimpleCall call;
  call.session = session;
  call.uiParam = uiParam;
  call.flags = flags;
  call.reserved = reserved;
  if (message == nullptr) {
    record.calls.push_back(call);
    return kMapiFailure;
  }
  call.subject = Hand(message->lpszSubject);
  call.note = Hand(message->lpszNoteText);
  if (message->lpOriginator != nullptr) {
    call.hasOriginator = true;
    call.originator = Copy(*message->lpOriginator);
  }
  if (message->lpRecips != nullptr) {
    for (ULONG i = 0; i < message->nRecipCount; ++i) {
      call.recipients.push_back(Copy(message->lpRecips[i]));
    }
  } else {
    call.recipientsWithoutArray = message->nRecipCount != 0;
  }
  if (message->lpFiles != nullptr) {
    for (ULONG i = 0; i < message->nFileCount; ++i) {
      const MapiFileDesc& file = message->lpFiles[i];
      call.files.push_back({file.nPosition, Hand(file.lpszPathName), Hand(file.lpszFileName)});
    }
  } else {
    call.filesWithoutArray = message->nFileCount != 0;
  }
  record.calls.push_back(call);
  return record.result;
}

}  // namespace

SimpleRecord& Simple() {
  static SimpleRecord record;
  return record;
}

Exports Mapi32Exports() {
  return {{"MAPISendMail", reinterpret_cast<platform::EntryPoint>(&SendMail)}};
}

}  // namespace j6::doubles
