// The Extended wrapper for the record harness: every call is noted in the
// record, with what it was handed; the call the harness names fails (0 or
// null) and ShowForm answers what the harness set. Handles are the wrapper's
// own objects, so a call handed anything else, or an object used after it
// was deleted, is noted as a bad handle.
#include <string>

#include "fuzz/double_records.h"
#include "mapiex/mapiex.h"

namespace {

using j6::fuzz::Hand;

int sessionObject;
int messageObject;
int outboxObject;

j6::fuzz::ExtendedRecord& Record() { return *J6FuzzExtendedRecord(); }

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

}  // namespace

extern "C" {

j6::fuzz::ExtendedRecord* J6FuzzExtendedRecord() {
  static j6::fuzz::ExtendedRecord record;
  return &record;
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

}  // extern "C"
