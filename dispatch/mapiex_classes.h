// The Extended wrapper library, loaded when the Extended path runs, and the
// two classes the program sees it through: a session (CMAPIEx) and a message
// (CMAPIMessage). Each owns its wrapper object and frees it when destroyed.
#pragma once

#include "mapiex/mapiex.h"
#include "platform/dynamic_library.h"

namespace j6 {

/// What the program asks of MAPIEx_Init: notifications on a thread of their
/// own (MAPI_MULTITHREAD_NOTIFICATIONS).
constexpr int kMapiExInitFlags = 1;

/// The wrapper's exported functions, all or nothing: one entry for each row
/// of mapiex.h's list, named as the export less "MAPIEx_".
// A name and a parameter list in parentheses would be neither.
// NOLINTNEXTLINE(bugprone-macro-parentheses)
#define J6_MAPIEX_ENTRY(Result, Name, Parameters) Result(*Name) Parameters;
struct MapiExFunctions {
  J6_MAPIEX_FUNCTIONS(J6_MAPIEX_ENTRY)
};
#undef J6_MAPIEX_ENTRY

/// Loads "MAPIEx" and finds every function; false when the library is
/// missing or lacks any of them.
bool LoadMapiEx(platform::DynamicLibrary* library, MapiExFunctions* functions);

class CMAPIEx {
 public:
  explicit CMAPIEx(const MapiExFunctions& functions)
      : f_(functions), session_(functions.SessionNew()) {}
  ~CMAPIEx() { f_.SessionDelete(session_); }
  CMAPIEx(const CMAPIEx&) = delete;
  CMAPIEx& operator=(const CMAPIEx&) = delete;

  static bool Init(const MapiExFunctions& f, int flags) { return f.Init(flags) != 0; }
  static void Term(const MapiExFunctions& f) { f.Term(); }
  bool Login(const char* profile) { return f_.Login(session_, profile) != 0; }
  bool OpenMessageStore(const char* store, unsigned int flags) {
    return f_.OpenMessageStore(session_, store, flags) != 0;
  }
  const char* GetProfileName() { return f_.GetProfileName(session_); }
  bool OpenOutbox(int flags) { return f_.OpenOutbox(session_, flags) != nullptr; }
  void Logout() { f_.Logout(session_); }
  void* handle() const { return session_; }

 private:
  const MapiExFunctions& f_;
  void* session_;
};

class CMAPIMessage {
 public:
  explicit CMAPIMessage(const MapiExFunctions& functions)
      : f_(functions), message_(functions.MessageNew()) {}
  ~CMAPIMessage() { f_.MessageDelete(message_); }
  CMAPIMessage(const CMAPIMessage&) = delete;
  CMAPIMessage& operator=(const CMAPIMessage&) = delete;

  bool Create(const CMAPIEx& session, int importance) {
    return f_.MessageCreate(message_, session.handle(), importance) != 0;
  }
  void SetSenderName(const char* text) { f_.SetSenderName(message_, text); }
  void SetSenderEmail(const char* text) { f_.SetSenderEmail(message_, text); }
  void AddRecipient(const char* text, int type) { f_.AddRecipient(message_, text, type); }
  void SetSubject(const char* text) { f_.SetSubject(message_, text); }
  void SetBody(const char* text) { f_.SetBody(message_, text); }
  void AddAttachment(const char* path, const char* name) { f_.AddAttachment(message_, path, name); }
  int ShowForm(const CMAPIEx& session) { return f_.ShowForm(message_, session.handle()); }
  bool Send() { return f_.Send(message_) != 0; }

 private:
  const MapiExFunctions& f_;
  void* message_;
};

}  // namespace j6
