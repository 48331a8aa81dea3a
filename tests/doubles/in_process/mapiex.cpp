// The Extended wrapper in-process: every call is noted in the record, with
// what it was handed; the call the record names fails (0 or null) and
// ShowForm answers what the record holds. Handles are the wrapper's own
// objects, so a call handed anything else, or an object used after it was
// deleted, is noted as a bad handle.
#include <string>
#include <type_traits>

#include "mapiex/mapiex.h"
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
  // The export list names each function; a double missing from it, or of
  // another type than the wrapper's, fails the build.
#define J6_MAPIEX_EXPORT(Result, Name, Parameters)                                            \
  static_assert(std::is_same_v<decltype(&MAPIEx_##Name), decltype(&::MAPIEx_##Name)>, #Name); \
  exports["MAPIEx_" #Name] = reinterpret_cast<platform::EntryPoint>(&MAPIEx_##Name);
  Exports exports;
  J6_MAPIEX_FUNCTIONS(J6_MAPIEX_EXPORT)
#undef J6_MAPIEX_EXPORT
  return exports;
}

}  // namespace j6::doubles
