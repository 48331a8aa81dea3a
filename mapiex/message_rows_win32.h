// The parts of the Extended wrapper that need no MAPI session: the property
// values it sets on messages, recipients and attachments, the address lists
// it hands the address book, and what it reads back from MAPI tables. MAPI's
// own buffer functions come in as an argument, so that tests can hand in
// their own and see every allocation freed.
#pragma once

#include <windows.h>

#include <mapidefs.h>

#include <list>
#include <string>
#include <vector>

#include "mapiex/recipient_text.h"

// The identity's SMTP address, which mapitags.h does not name.
#ifndef PR_SMTP_ADDRESS_A
#define PR_SMTP_ADDRESS_A PROP_TAG(PT_STRING8, 0x39FE)
#endif

namespace j6::mapiex {

/// MAPIAllocateBuffer, MAPIAllocateMore and MAPIFreeBuffer, or a test's.
struct Buffers {
  LPALLOCATEBUFFER allocate;
  LPALLOCATEMORE allocateMore;
  LPFREEBUFFER free;
};

/// Property values in storage of their own, for SetProps, which copies them.
class PropertyRow {
 public:
  PropertyRow() = default;
  // Moved, never copied: the values point into the row's own storage.
  PropertyRow(PropertyRow&&) = default;
  PropertyRow& operator=(PropertyRow&&) = default;
  PropertyRow(const PropertyRow&) = delete;
  PropertyRow& operator=(const PropertyRow&) = delete;

  void AddLong(ULONG tag, LONG value);
  void AddBoolean(ULONG tag, bool value);
  void AddText(ULONG tag, const std::string& text);
  void AddBinary(ULONG tag, const BYTE* bytes, ULONG size);

  ULONG count() const { return static_cast<ULONG>(values_.size()); }
  /// The values as SetProps takes them (it wants them non-const).
  SPropValue* values() { return values_.data(); }
  const SPropValue* values() const { return values_.data(); }
  /// The value with this tag, or null.
  const SPropValue* Find(ULONG tag) const;

 private:
  std::vector<SPropValue> values_;
  // Lists, so that the values' pointers stay valid as the row grows.
  std::list<std::string> texts_;
  std::list<std::vector<BYTE>> binaries_;
};

/// The recipient class (MAPI_TO, MAPI_CC, MAPI_BCC) for the interface's
/// number 1, 2 or 3; 0 for any other number.
ULONG RecipientClass(int type);

/// The extension of a file name with its dot (".pdf"), or empty.
std::string ExtensionOf(const std::string& name);

/// A new unsent note in the outbox, of normal importance whatever number the
/// caller passed: the program's number was never an importance, and the
/// Simple path sends normal mail. A copy goes to the sent items folder when
/// there is one (sentItems may be null).
PropertyRow NewMessageRow(const SBinary* sentItems);

/// MAPI's search key for an SMTP address: "SMTP:", the address in upper case
/// (SMTP addresses are compared without regard to case), and a zero.
std::vector<BYTE> SmtpSearchKey(const std::string& address);

/// The whole PR_SENT_REPRESENTING_* group for an SMTP sender: name, address
/// type, address, the one-off entry identifier made for it, search key. The
/// PR_SENDER_* group is the transport's to set, from the logged-on identity.
PropertyRow RepresentedSenderRow(const std::string& name, const std::string& address,
                                 const SBinary& entryId);

/// True when the logged-on identity's PR_SMTP_ADDRESS_A or PR_EMAIL_ADDRESS_A
/// (among values read from it) is the address, compared without regard to
/// ASCII case.
bool IsIdentityAddress(const SPropValue* values, ULONG count, const std::string& address);

PropertyRow SubjectRow(const char* subject);

/// The body, with CR LF line ends.
PropertyRow BodyRow(const char* body);

/// An attachment by value named for the user; name null means the path's own
/// file name. Its data is streamed in afterwards.
PropertyRow AttachmentRow(const char* path, const char* name);

/// A list of one recipient to resolve: its display name and class. Allocated
/// as the address book wants it (each entry's values a buffer of their own,
/// which ResolveName may replace). Free with FreeAddressList.
SCODE NewResolveList(const Buffers& buffers, const char* text, ULONG recipientClass,
                     LPADRLIST* list);

/// A list of one SMTP recipient that no address book knows: name, address,
/// class and, when not null, the one-off entry identifier made for it.
SCODE NewOneOffList(const Buffers& buffers, const RecipientText& recipient, ULONG recipientClass,
                    const SBinary* entryId, LPADRLIST* list);

/// Makes sure the entry has PR_RECIPIENT_TYPE set to the class: sets it in
/// place when the entry has one, else gives the entry a larger array that
/// also holds it. The values the new array shares with the old one stay in
/// the old buffer, which is then handed back in *kept, to be freed once the
/// list is no longer used; null when nothing was replaced.
SCODE SetRecipientClass(const Buffers& buffers, ADRENTRY* entry, ULONG recipientClass,
                        LPVOID* kept);

/// Frees a list made by these functions or by the address book.
void FreeAddressList(const Buffers& buffers, LPADRLIST list);

/// Frees a row set as QueryRows returns it: each row's values, then the set.
void FreeRowSet(const Buffers& buffers, LPSRowSet rows);

/// The value with this tag among values, or null (also when the provider
/// returned an error value for it, whose tag has another type).
const SPropValue* FindValue(const SPropValue* values, ULONG count, ULONG tag);
const SPropValue* FindValue(const SRow& row, ULONG tag);

/// The entry identifier of the message store the caller wants from a chunk of
/// the message stores table: the default store when name is null, else the
/// one with that display name (compared without regard to ASCII case). Empty
/// when the chunk has none.
std::vector<BYTE> StoreEntryId(const SRowSet& rows, const char* name);

/// The profile's name from a chunk of the session's status table: the display
/// name of the MAPI subsystem row. False when the chunk has none.
bool ProfileName(const SRowSet& rows, std::string* name);

/// What ShowForm is told about the message, from its PR_MSG_STATUS,
/// PR_MESSAGE_FLAGS, PR_ACCESS and PR_MESSAGE_CLASS_A (values in any order;
/// missing ones take what a new unsent note has).
struct FormArguments {
  ULONG status;
  ULONG flags;
  ULONG access;
  std::string messageClass;
};
FormArguments FormArgumentsFrom(const SPropValue* values, ULONG count);

/// The interface's result for a compose form: 1 when the user sent the
/// message, 2 when the user closed the form without sending it, 0 for an
/// error. A form that ended without an error has only been shown: what the
/// user did is read from the saved message, opened again afterwards (reopened
/// is what opening it returned, messageFlags its PR_MESSAGE_FLAGS or null).
/// Submitted, it has MSGFLAG_SUBMIT; gone, the spooler has taken it.
int FormOutcome(HRESULT shown, HRESULT reopened, const SPropValue* messageFlags);

}  // namespace j6::mapiex
