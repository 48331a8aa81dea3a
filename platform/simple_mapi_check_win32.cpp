// Windows only: the project's declaration of the Simple MAPI structures is
// the platform's, field for field.
#include <windows.h>
// <mapi.h> needs <windows.h> first.
#include <mapi.h>

#include <cstddef>

#include "platform/simple_mapi_abi.h"

// The sizes compared are those of the fields, pointers among them.
// NOLINTBEGIN(bugprone-sizeof-expression)
#define J6_SAME_FIELD(type, field)                                            \
  static_assert(offsetof(j6::mapi::type, field) == offsetof(::type, field) && \
                    sizeof(j6::mapi::type::field) == sizeof(::type::field),   \
                #type "::" #field " differs from <mapi.h>")

static_assert(sizeof(j6::mapi::MapiRecipDesc) == sizeof(::MapiRecipDesc), "MapiRecipDesc");
J6_SAME_FIELD(MapiRecipDesc, ulRecipClass);
J6_SAME_FIELD(MapiRecipDesc, lpszName);
J6_SAME_FIELD(MapiRecipDesc, lpszAddress);
J6_SAME_FIELD(MapiRecipDesc, ulEIDSize);
J6_SAME_FIELD(MapiRecipDesc, lpEntryID);

static_assert(sizeof(j6::mapi::MapiFileDesc) == sizeof(::MapiFileDesc), "MapiFileDesc");
J6_SAME_FIELD(MapiFileDesc, flFlags);
J6_SAME_FIELD(MapiFileDesc, nPosition);
J6_SAME_FIELD(MapiFileDesc, lpszPathName);
J6_SAME_FIELD(MapiFileDesc, lpszFileName);
J6_SAME_FIELD(MapiFileDesc, lpFileType);

static_assert(sizeof(j6::mapi::MapiMessage) == sizeof(::MapiMessage), "MapiMessage");
J6_SAME_FIELD(MapiMessage, lpszSubject);
J6_SAME_FIELD(MapiMessage, lpszNoteText);
J6_SAME_FIELD(MapiMessage, lpszMessageType);
J6_SAME_FIELD(MapiMessage, lpszDateReceived);
J6_SAME_FIELD(MapiMessage, lpszConversationID);
J6_SAME_FIELD(MapiMessage, flFlags);
J6_SAME_FIELD(MapiMessage, lpOriginator);
J6_SAME_FIELD(MapiMessage, nRecipCount);
J6_SAME_FIELD(MapiMessage, lpRecips);
J6_SAME_FIELD(MapiMessage, nFileCount);
J6_SAME_FIELD(MapiMessage, lpFiles);
// NOLINTEND(bugprone-sizeof-expression)

static_assert(j6::mapi::kMapiLogonUi == MAPI_LOGON_UI && j6::mapi::kMapiDialog == MAPI_DIALOG &&
                  j6::mapi::kMapiTo == MAPI_TO && j6::mapi::kMapiOrig == MAPI_ORIG &&
                  j6::mapi::kMapiUserAbort == MAPI_USER_ABORT &&
                  j6::mapi::kMapiFailure == MAPI_E_FAILURE &&
                  j6::mapi::kMapiAttachmentNotFound == MAPI_E_ATTACHMENT_NOT_FOUND &&
                  j6::mapi::kMapiUnknownRecipient == MAPI_E_UNKNOWN_RECIPIENT &&
                  j6::mapi::kMapiInvalidRecips == MAPI_E_INVALID_RECIPS,
              "Simple MAPI constants differ from <mapi.h>");
static_assert(sizeof(j6::mapi::ULONG) == sizeof(ULONG), "ULONG");
