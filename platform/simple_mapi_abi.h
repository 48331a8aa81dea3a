// The published Simple MAPI structures and MAPISendMail, declared once for
// the program and for the off-Windows stand-in of MAPI32. On Windows a
// compile-time check (simple_mapi_check_win32.cpp) proves the layout to be
// that of the platform's <mapi.h>, so the logic never needs <windows.h>.
#pragma once

#include <cstdint>

// MAPISendMail is __stdcall ("FAR PASCAL") on 32-bit Windows; everywhere
// else there is only one convention.
#if defined(_WIN32) && !defined(_WIN64)
#define J6_MAPI_CALL __attribute__((stdcall))
#else
#define J6_MAPI_CALL
#endif

namespace j6::mapi {

using ULONG = std::uint32_t;  // 32 bits on every platform, as on Windows
using FLAGS = std::uint32_t;
using LHANDLE = std::uintptr_t;

struct MapiRecipDesc {
  ULONG ulReserved;
  ULONG ulRecipClass;
  char* lpszName;
  char* lpszAddress;
  ULONG ulEIDSize;
  void* lpEntryID;
};

struct MapiFileDesc {
  ULONG ulReserved;
  ULONG flFlags;
  ULONG nPosition;
  char* lpszPathName;
  char* lpszFileName;
  void* lpFileType;
};

struct MapiMessage {
  ULONG ulReserved;
  char* lpszSubject;
  char* lpszNoteText;
  char* lpszMessageType;
  char* lpszDateReceived;
  char* lpszConversationID;
  FLAGS flFlags;
  MapiRecipDesc* lpOriginator;
  ULONG nRecipCount;
  MapiRecipDesc* lpRecips;
  ULONG nFileCount;
  MapiFileDesc* lpFiles;
};

using MapiSendMailFunction = ULONG(J6_MAPI_CALL*)(LHANDLE session, std::uintptr_t uiParam,
                                                  MapiMessage* message, FLAGS flags,
                                                  ULONG reserved);

// Named after the published constants, which <mapi.h> defines as macros.
constexpr FLAGS kMapiLogonUi = 0x1;
constexpr FLAGS kMapiDialog = 0x8;

constexpr ULONG kMapiOrig = 0;
constexpr ULONG kMapiTo = 1;

constexpr ULONG kMapiSuccess = 0;
constexpr ULONG kMapiUserAbort = 1;
constexpr ULONG kMapiFailure = 2;
constexpr ULONG kMapiAttachmentNotFound = 11;
constexpr ULONG kMapiUnknownRecipient = 14;
constexpr ULONG kMapiInvalidRecips = 25;
/// The Extended MAPI "cancelled by the user" code, which some clients return
/// from a Simple MAPI compose form.
constexpr ULONG kMapiUserCancel = 0x80040113;

}  // namespace j6::mapi

// The published sizes: 24/24/48 bytes on 32-bit Windows, 40/40/96 on 64 bits.
static_assert(sizeof(j6::mapi::MapiRecipDesc) == (sizeof(void*) == 4 ? 24 : 40), "MapiRecipDesc");
static_assert(sizeof(j6::mapi::MapiFileDesc) == (sizeof(void*) == 4 ? 24 : 40), "MapiFileDesc");
static_assert(sizeof(j6::mapi::MapiMessage) == (sizeof(void*) == 4 ? 48 : 96), "MapiMessage");
