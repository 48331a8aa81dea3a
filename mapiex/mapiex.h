/* The C interface of the Extended MAPI wrapper library (MAPIEx.dll on
 * Windows, libMAPIEx.so off it), loaded by the program when the Extended path
 * runs. Handles are opaque; a text argument may be null for "none". No C++
 * exception crosses this interface. __cdecl on 32-bit Windows. */
#ifndef J6_MAPIEX_MAPIEX_H_
#define J6_MAPIEX_MAPIEX_H_

/* One row per export: its result, its name less "MAPIEx_" and its
 * parameters. The declarations below, the program's table of the wrapper's
 * functions and the names it looks them up by (dispatch/mapiex_classes.h)
 * all come from this list, so none can name a function the others lack. */
#define J6_MAPIEX_FUNCTIONS(X)                                                     \
  X(void*, SessionNew, (void))                                                     \
  X(void, SessionDelete, (void* session))                                          \
  X(int, Init, (int flags))                                                        \
  X(void, Term, (void))                                                            \
  X(int, Login, (void* session, const char* profile))                              \
  X(int, OpenMessageStore, (void* session, const char* store, unsigned int flags)) \
  X(const char*, GetProfileName, (void* session))                                  \
  X(void*, OpenOutbox, (void* session, int flags))                                 \
  X(void, Logout, (void* session))                                                 \
  X(void*, MessageNew, (void))                                                     \
  X(void, MessageDelete, (void* message))                                          \
  X(int, MessageCreate, (void* message, void* session, int importance))            \
  X(void, SetSenderName, (void* message, const char* text))                        \
  X(void, SetSenderEmail, (void* message, const char* text))                       \
  X(int, AddRecipient, (void* message, const char* text, int type))                \
  X(void, SetSubject, (void* message, const char* text))                           \
  X(void, SetBody, (void* message, const char* text))                              \
  X(int, AddAttachment, (void* message, const char* path, const char* name))       \
  X(int, ShowForm, (void* message, void* session))                                 \
  X(int, Send, (void* message))

#ifdef __cplusplus
extern "C" {
#endif

#define J6_MAPIEX_DECLARATION(Result, Name, Parameters) Result MAPIEx_##Name Parameters;
J6_MAPIEX_FUNCTIONS(J6_MAPIEX_DECLARATION)
#undef J6_MAPIEX_DECLARATION

#ifdef __cplusplus
}
#endif

#endif /* J6_MAPIEX_MAPIEX_H_ */
