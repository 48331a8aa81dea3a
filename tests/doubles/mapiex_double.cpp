// An Extended wrapper for tests: every call is written, with its arguments,
// one a line, to the file named by J6TEST_MAPIEX_RECORD. The call named by
// J6TEST_MAPIEX_FAIL returns 0 (or null); ShowForm returns J6TEST_MAPIEX_FORM
// (1 when unset). Handles are checked: a session call handed something else
// than the session, or a message call something else than the message, is
// recorded as such. Built without MAPIEx_Send as well (J6_DOUBLE_WITHOUT_SEND).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mapiex/mapiex.h"

namespace {

int sessionObject;
int messageObject;
int outboxObject;

std::string Show(const char* text) {
  if (text == nullptr) return "null";
  std::string shown;
  for (const char* p = text; *p != '\0'; ++p)
    shown += *p == '\n' ? std::string("\\n") : std::string(1, *p);
  return shown;
}

void Record(const std::string& line) {
  const char* path = std::getenv("J6TEST_MAPIEX_RECORD");
  if (path == nullptr) return;
  std::FILE* file = std::fopen(path, "ab");
  if (file == nullptr) return;
  std::fputs((line + "\n").c_str(), file);
  std::fclose(file);
}

/// Records the call; false when the test asks it to fail.
bool Call(const char* name, const std::string& arguments = "") {
  Record(std::string(name) + "(" + arguments + ")");
  const char* failing = std::getenv("J6TEST_MAPIEX_FAIL");
  return failing == nullptr || std::strcmp(failing, name) != 0;
}

std::string Session(void* handle) { return handle == &sessionObject ? "session" : "BAD SESSION"; }
std::string Message(void* handle) { return handle == &messageObject ? "message" : "BAD MESSAGE"; }

}  // namespace

extern "C" {

void* MAPIEx_SessionNew(void) { return Call("SessionNew") ? &sessionObject : nullptr; }
void MAPIEx_SessionDelete(void* session) { Call("SessionDelete", Session(session)); }
int MAPIEx_Init(int flags) { return Call("Init", std::to_string(flags)) ? 1 : 0; }
void MAPIEx_Term(void) { Call("Term"); }
int MAPIEx_Login(void* session, const char* profile) {
  return Call("Login", Session(session) + "," + Show(profile)) ? 1 : 0;
}
int MAPIEx_OpenMessageStore(void* session, const char* store, unsigned int flags) {
  return Call("OpenMessageStore",
              Session(session) + "," + Show(store) + "," + std::to_string(flags))
             ? 1
             : 0;
}
const char* MAPIEx_GetProfileName(void* session) {
  return Call("GetProfileName", Session(session)) ? "Test Profile" : nullptr;
}
void* MAPIEx_OpenOutbox(void* session, int flags) {
  return Call("OpenOutbox", Session(session) + "," + std::to_string(flags)) ? &outboxObject
                                                                            : nullptr;
}
void MAPIEx_Logout(void* session) { Call("Logout", Session(session)); }
void* MAPIEx_MessageNew(void) { return Call("MessageNew") ? &messageObject : nullptr; }
void MAPIEx_MessageDelete(void* message) { Call("MessageDelete", Message(message)); }
int MAPIEx_MessageCreate(void* message, void* session, int importance) {
  return Call("MessageCreate",
              Message(message) + "," + Session(session) + "," + std::to_string(importance))
             ? 1
             : 0;
}
void MAPIEx_SetSenderName(void* message, const char* text) {
  Call("SetSenderName", Message(message) + "," + Show(text));
}
void MAPIEx_SetSenderEmail(void* message, const char* text) {
  Call("SetSenderEmail", Message(message) + "," + Show(text));
}
int MAPIEx_AddRecipient(void* message, const char* text, int type) {
  return Call("AddRecipient", Message(message) + "," + Show(text) + "," + std::to_string(type)) ? 1
                                                                                                : 0;
}
void MAPIEx_SetSubject(void* message, const char* text) {
  Call("SetSubject", Message(message) + "," + Show(text));
}
void MAPIEx_SetBody(void* message, const char* text) {
  Call("SetBody", Message(message) + "," + Show(text));
}
int MAPIEx_AddAttachment(void* message, const char* path, const char* name) {
  return Call("AddAttachment", Message(message) + "," + Show(path) + "," + Show(name)) ? 1 : 0;
}
int MAPIEx_ShowForm(void* message, void* session) {
  Call("ShowForm", Message(message) + "," + Session(session));
  const char* result = std::getenv("J6TEST_MAPIEX_FORM");
  return result != nullptr ? static_cast<int>(std::strtol(result, nullptr, 10)) : 1;
}
#ifndef J6_DOUBLE_WITHOUT_SEND
int MAPIEx_Send(void* message) { return Call("Send", Message(message)) ? 1 : 0; }
#endif

}  // extern "C"
