/* The C interface of the Extended MAPI wrapper library (MAPIEx.dll on
 * Windows, libMAPIEx.so off it), loaded by the program when the Extended path
 * runs. Handles are opaque; a text argument may be null for "none". No C++
 * exception crosses this interface. __cdecl on 32-bit Windows. */
#ifndef J6_MAPIEX_MAPIEX_H_
#define J6_MAPIEX_MAPIEX_H_

#ifdef __cplusplus
extern "C" {
#endif

void* MAPIEx_SessionNew(void);
void MAPIEx_SessionDelete(void* session);
int MAPIEx_Init(int flags);
void MAPIEx_Term(void);
int MAPIEx_Login(void* session, const char* profile);
int MAPIEx_OpenMessageStore(void* session, const char* store, unsigned int flags);
const char* MAPIEx_GetProfileName(void* session);
void* MAPIEx_OpenOutbox(void* session, int flags);
void MAPIEx_Logout(void* session);
void* MAPIEx_MessageNew(void);
void MAPIEx_MessageDelete(void* message);
int MAPIEx_MessageCreate(void* message, void* session, int importance);
void MAPIEx_SetSenderName(void* message, const char* text);
void MAPIEx_SetSenderEmail(void* message, const char* text);
int MAPIEx_AddRecipient(void* message, const char* text, int type);
void MAPIEx_SetSubject(void* message, const char* text);
void MAPIEx_SetBody(void* message, const char* text);
int MAPIEx_AddAttachment(void* message, const char* path, const char* name);
int MAPIEx_ShowForm(void* message, void* session);
int MAPIEx_Send(void* message);

#ifdef __cplusplus
}
#endif

#endif /* J6_MAPIEX_MAPIEX_H_ */
