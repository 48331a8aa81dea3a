// The Extended wrapper in-process: every call is noted in the record, with
// what it was handed; the call the record names fails (0 or null) and
// ShowForm answers what the record holds. Handles are the wrapper's own
// objects, so a call handed anything else, or an object used after it was
// deleted, is noted as a bad handle.
#include <string>

#include "tests/doubles/in_process/recording.h"

namespace j6::doubles {

namespace {

int sessionObject;
int messageObject;
int outboxObject;

ExtendedRecord& Record() { return Extended(); }

/// Notes the call; false when the harness wants it to fail.
bool Call(const char* name) {
  Record().calls.emplace_back(name);
  return Record().failing != name;
}

void CheckSession(void* handle) {
  if (handle != &sessionObject || Record().sessionsAlive <= 0) Record().badHandle = true;
}

void CheckMessage(void* handle) {
  if (handle != &messageObject || Record().messagesAlive <= 0) Record().badHandle = true;
}

void* MAPIEx_SessionNew(void) {
  Call("SessionNew");
  ++Record().sessionsAlive;
  return &sessionObject;
}

void MAPIEx_SessionDelete(void* session) {
  Call("SessionDelete");
  CheckSession(session);
  --Record().sessionsAlive;
}

int MAPIEx_Init(int /*flags*/) {
  if (!Call("Init")) return 0;
  ++Record().initialised;
  return 1;
}

void MAPIEx_Term(void) {
  Call("Term");
  --Record().initialised;
}

int MAPIEx_Login(void* session, const char* /*profile*/) {
  CheckSession(session);
  return Call("Login") ? 1 : 0;
}

int MAPIEx_OpenMessageStore(void* session, const char* /*store*/, unsigned int /*flags*/) {
  CheckSession(session);
  return Call("OpenMessageStore") ? 1 : 0;
}

const char* MAPIEx_GetProfileName(void* session) {
  CheckSession(session);
  return Call("GetProfileName") ? "Fuzz Profile" : nullptr;
}

void* MAPIEx_OpenOutbox(void* session, int /*flags*/) {
  CheckSession(session);
  return Call("OpenOutbox") ? &outboxObject : nullptr;
}

void MAPIEx_Logout(void* session) {
  CheckSession(session);
  Call("Logout");
}

void* MAPIEx_MessageNew(void) {
  Call("MessageNew");
  ++Record().messagesAlive;
  return &messageObject;
}

void MAPIEx_MessageDelete(void* message) {
  Call("MessageDelete");
  CheckMessage(message);
  --Record().messagesAlive;
}

int MAPIEx_MessageCreate(void* message, void* session, int /*importance*/) {
  CheckMessage(message);
  CheckSession(session);
  return Call("MessageCreate") ? 1 : 0;
}

void MAPIEx_SetSenderName(void* message, const char* text) {
  CheckMessage(message);
  Call("SetSenderName");
  Record().senderName = Hand(text);
}

void MAPIEx_SetSenderEmail(void* message, const char* text) {
  CheckMessage(message);
  Call("SetSenderEmail");
  Record().senderEmail = Hand(text);
}

int MAPIEx_AddRecipient(void* message, const char* text, int type) {
  CheckMessage(message);
  Record().recipients.push_back({Hand(text), type});
  return Call("AddRecipient") ? 1 : 0;
}

void MAPIEx_SetSubject(void* message, const char* text) {
  CheckMessage(message);
  Call("SetSubject");
  Record().subjects.push_back(Hand(text));
}

void MAPIEx_SetBody(void* message, const char* text) {
  CheckMessage(message);
  Call("SetBody");
  Record().bodies.push_back(Hand(text));
}

int MAPIEx_AddAttachment(void* message, const char* path, const char* name) {
  CheckMessage(message);
  Record().attachments.push_back({Hand(path), Hand(name)});
  return Call("AddAttachment") ? 1 : 0;
}

int MAPIEx_ShowForm(void* message, void* session) {
  CheckMessage(message);
  CheckSession(session);
  Call("ShowForm");
  return Record().formResult;
}

int MAPIEx_Send(void* message) {
  CheckMessage(message);
  return Call("Send") ? 1 : 0;
}

}  // namespace

ExtendedRecord& Extended() {
  static ExtendedRecord record;
  return record;
}

Exports MapiExExports() {
  const auto entry = [](auto function) { return reinterpret_cast<platform::EntryPoint>(function); };
  return {
      {"MAPIEx_SessionNew", entry(&MAPIEx_SessionNew)},
      {"MAPIEx_SessionDelete", entry(&MAPIEx_SessionDelete)},
      {"MAPIEx_Init", entry(&MAPIEx_Init)},
      {"MAPIEx_Term", entry(&MAPIEx_Term)},
      {"MAPIEx_Login", entry(&MAPIEx_Login)},
      {"MAPIEx_OpenMessageStore", entry(&MAPIEx_OpenMessageStore)},
      {"MAPIEx_GetProfileName", entry(&MAPIEx_GetProfileName)},
      {"MAPIEx_OpenOutbox", entry(&MAPIEx_OpenOutbox)},
      {"MAPIEx_Logout", entry(&MAPIEx_Logout)},
      {"MAPIEx_MessageNew", entry(&MAPIEx_MessageNew)},
      {"MAPIEx_MessageDelete", entry(&MAPIEx_MessageDelete)},
      {"MAPIEx_MessageCreate", entry(&MAPIEx_MessageCreate)},
      {"MAPIEx_SetSenderName", entry(&MAPIEx_SetSenderName)},
      {"MAPIEx_SetSenderEmail", entry(&MAPIEx_SetSenderEmail)},
      {"MAPIEx_AddRecipient", entry(&MAPIEx_AddRecipient)},
      {"MAPIEx_SetSubject", entry(&MAPIEx_SetSubject)},
      {"MAPIEx_SetBody", entry(&MAPIEx_SetBody)},
      {"MAPIEx_AddAttachment", entry(&MAPIEx_AddAttachment)},
      {"MAPIEx_ShowForm", entry(&MAPIEx_ShowForm)},
      {"MAPIEx_Send", entry(&MAPIEx_Send)},
  };
}

}  // namespace j6::doubles
