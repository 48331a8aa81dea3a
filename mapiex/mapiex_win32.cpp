// The Extended wrapper on Windows: MAPIEx.dll over Extended MAPI. MAPI32.DLL
// is loaded by MAPIEx_Init, so that the wrapper itself loads on any desktop
// and a missing MAPI is a failed initialisation rather than a library that
// cannot be loaded. Every export holds one lock and catches everything: the
// program calls from one thread, and no C++ exception may reach it.
#include <windows.h>

#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

// Defines IID_IMAPIFolder here; it is in no import library.
#define USES_IID_IMAPIFolder
#include <initguid.h>

#include <mapiguid.h>

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "mail/address.h"
#include "mail/line_breaks.h"
#include "mapiex/mapiex.h"
#include "mapiex/message_rows_win32.h"
#include "mapiex/session_forms_win32.h"

// Each export is declared by mapiex.h's list: one defined here with another
// type is a conflicting declaration of a C function, which does not compile.
#define J6_EXPORT extern "C" __declspec(dllexport)

namespace j6::mapiex {
namespace {

// ---------------------------------------------------------------- MAPI32 ---

struct Mapi32 {
  HMODULE module = nullptr;
  LPMAPIINITIALIZE initialize = nullptr;
  LPMAPIUNINITIALIZE uninitialize = nullptr;
  LPMAPILOGONEX logon = nullptr;
  Buffers buffers{};
};

Mapi32 mapi;
int initCount = 0;  // MAPIInitialize calls not yet matched by MAPIUninitialize

std::recursive_mutex& Lock() {
  static std::recursive_mutex lock;
  return lock;
}

template <typename Function>
bool Find(HMODULE module, const char* name, const char* decorated, Function* function) {
  FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) address = GetProcAddress(module, decorated);
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
  return *function != nullptr;
}

/// Loads MAPI32.DLL once. It stays loaded for the rest of the process: a mail
/// client's MAPI does not take being unloaded and loaded again well.
bool LoadMapi32() {
  if (mapi.module != nullptr) return true;
  HMODULE module = LoadLibraryA("MAPI32.DLL");
  if (module == nullptr) return false;
  Mapi32 loaded;
  loaded.module = module;
  // 32-bit MAPI32s export these names plain, some only with the stdcall
  // decoration as well.
  if (!Find(module, "MAPIInitialize", "MAPIInitialize@4", &loaded.initialize) ||
      !Find(module, "MAPIUninitialize", "MAPIUninitialize@0", &loaded.uninitialize) ||
      !Find(module, "MAPILogonEx", "MAPILogonEx@20", &loaded.logon) ||
      !Find(module, "MAPIAllocateBuffer", "MAPIAllocateBuffer@8", &loaded.buffers.allocate) ||
      !Find(module, "MAPIAllocateMore", "MAPIAllocateMore@12", &loaded.buffers.allocateMore) ||
      !Find(module, "MAPIFreeBuffer", "MAPIFreeBuffer@4", &loaded.buffers.free)) {
    FreeLibrary(module);
    return false;
  }
  mapi = loaded;
  return true;
}

// ------------------------------------------------------------ ownership ---

/// Owns one reference to a MAPI object.
template <typename T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* object) : object_(object) {}
  ~Ref() { Reset(); }
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  /// For an out parameter: drops what it held first.
  T** put() {
    Reset();
    return &object_;
  }
  void Reset() {
    if (object_ != nullptr) std::exchange(object_, nullptr)->Release();
  }
  /// Hands the reference over to the caller.
  T* Detach() { return std::exchange(object_, nullptr); }
  /// A second reference to the same object.
  Ref Share() const {
    if (object_ != nullptr) object_->AddRef();
    return Ref(object_);
  }

 private:
  T* object_ = nullptr;
};

/// The object behind an IUnknown that was opened for interface T; the
/// reference moves over.
template <typename T>
Ref<T> As(Ref<IUnknown>* opened) {
  return Ref<T>(static_cast<T*>(opened->Detach()));
}

/// Owns a buffer MAPI allocated.
template <typename T>
class MapiBuffer {
 public:
  MapiBuffer() = default;
  ~MapiBuffer() { Reset(); }
  MapiBuffer(const MapiBuffer&) = delete;
  MapiBuffer& operator=(const MapiBuffer&) = delete;

  T* get() const { return buffer_; }
  T* operator->() const { return buffer_; }
  T** put() {
    Reset();
    return &buffer_;
  }
  void Reset() {
    if (buffer_ != nullptr) mapi.buffers.free(std::exchange(buffer_, nullptr));
  }

 private:
  T* buffer_ = nullptr;
};

/// Owns a row set from QueryRows.
class RowSet {
 public:
  RowSet() = default;
  ~RowSet() { FreeRowSet(mapi.buffers, rows_); }
  RowSet(const RowSet&) = delete;
  RowSet& operator=(const RowSet&) = delete;
  LPSRowSet get() const { return rows_; }
  LPSRowSet* put() {
    FreeRowSet(mapi.buffers, std::exchange(rows_, nullptr));
    return &rows_;
  }

 private:
  LPSRowSet rows_ = nullptr;
};

/// Owns an address list, and values it no longer points to but still shares.
class AddressList {
 public:
  AddressList() = default;
  ~AddressList() {
    FreeAddressList(mapi.buffers, list_);
    if (kept_ != nullptr) mapi.buffers.free(kept_);
  }
  AddressList(const AddressList&) = delete;
  AddressList& operator=(const AddressList&) = delete;
  LPADRLIST get() const { return list_; }
  LPADRLIST* put() { return &list_; }
  LPVOID* kept() { return &kept_; }

 private:
  LPADRLIST list_ = nullptr;
  LPVOID kept_ = nullptr;
};

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// ------------------------------------------------------------- helpers ---

template <ULONG N>
struct Tags {
  ULONG count;
  ULONG tags[N];
  LPSPropTagArray get() { return reinterpret_cast<LPSPropTagArray>(this); }
};

/// Sets the row's values; problems with single values are not failures.
bool Apply(IMAPIProp* target, PropertyRow row) {
  if (row.count() == 0) return true;
  MapiBuffer<SPropProblemArray> problems;
  return SUCCEEDED(target->SetProps(row.count(), row.values(), problems.put()));
}

/// Reads values of an object; missing ones come back as error values.
template <ULONG N>
bool Read(IMAPIProp* source, Tags<N> tags, ULONG* count, MapiBuffer<SPropValue>* values) {
  return SUCCEEDED(source->GetProps(tags.get(), 0, count, values->put())) && values->get();
}

/// The bytes of a binary value among values read, or empty.
std::vector<BYTE> BinaryOf(const SPropValue* values, ULONG count, ULONG tag) {
  const SPropValue* value = FindValue(values, count, tag);
  if (value == nullptr || value->Value.bin.lpb == nullptr) return std::vector<BYTE>();
  return std::vector<BYTE>(value->Value.bin.lpb, value->Value.bin.lpb + value->Value.bin.cb);
}

/// Hands each chunk of the table's rows to visit until it returns true.
template <ULONG N, typename Visit>
bool VisitRows(IMAPITable* table, Tags<N> columns, Visit visit) {
  if (FAILED(table->SetColumns(columns.get(), 0))) return false;
  for (;;) {
    RowSet rows;
    if (FAILED(table->QueryRows(64, 0, rows.put())) || rows.get() == nullptr) return false;
    if (rows.get()->cRows == 0) return false;
    if (visit(*rows.get())) return true;
  }
}

/// Writes bytes to a property as a stream, replacing what it held.
template <typename Fill>
bool WriteStream(IMAPIProp* target, ULONG tag, Fill fill) {
  Ref<IUnknown> opened;
  if (FAILED(target->OpenProperty(tag, &IID_IStream, STGM_CREATE | STGM_WRITE,
                                  MAPI_CREATE | MAPI_MODIFY, opened.put()))) {
    return false;
  }
  Ref<IStream> stream = As<IStream>(&opened);
  return fill(stream.get()) && SUCCEEDED(stream->Commit(STGC_DEFAULT));
}

bool WriteAll(IStream* stream, const void* bytes, ULONG size) {
  const auto* p = static_cast<const BYTE*>(bytes);
  while (size > 0) {
    ULONG written = 0;
    if (FAILED(stream->Write(p, size, &written)) || written == 0) return false;
    p += written;
    size -= written;
  }
  return true;
}

// ------------------------------------------------------------- objects ---

/// Whether a message was submitted through the store a session has open;
/// shared by the session and the messages created in its outbox.
using SubmittedFlag = std::shared_ptr<bool>;

struct Session {
  Ref<IMAPISession> session;
  Ref<IMsgStore> store;
  Ref<IMAPIFolder> outbox;
  SubmittedFlag submitted;
  std::vector<BYTE> sentItems;
  std::string profileName;
  bool profileNameKnown = false;

  /// Logs off a store that has mail submitted before releasing it. A store
  /// only released is logged off as aborted, and what it has queued waits in
  /// the outbox for the mail client to run; LOGOFF_PURGE has the spooler
  /// flush the outbound queue and returns when it is done. The documented
  /// input flags go one at a time: LOGOFF_NO_WAIT would return before that.
  void CloseStore() {
    outbox.Reset();
    if (store && submitted && *submitted) {
      ULONG flags = LOGOFF_PURGE;
      store->StoreLogoff(&flags);
    }
    store.Reset();
    submitted.reset();
  }

  void Logout() {
    CloseStore();
    sentItems.clear();
    profileName.clear();
    profileNameKnown = false;
    if (session) session->Logoff(0, 0, 0);
    session.Reset();
  }
};

struct Message {
  Ref<IMessage> message;
  Ref<IMAPISession> session;
  Ref<IMAPIFolder> outbox;
  Ref<IAddrBook> addressBook;
  SubmittedFlag submitted;
  std::string senderName;
  std::string senderAddress;
  // A recipient or attachment the caller asked for did not make it into the
  // message: sent without it, the mail would be reported as sent all the same.
  bool incomplete = false;

  void Reset() {
    addressBook.Reset();
    message.Reset();
    outbox.Reset();
    session.Reset();
    submitted.reset();
    senderName.clear();
    senderAddress.clear();
    incomplete = false;
  }
};

std::set<Session*> sessions;
std::set<Message*> messages;

/// The session behind a handle; null for anything that is not a live one.
Session* AsSession(void* handle) {
  auto* session = static_cast<Session*>(handle);
  return sessions.count(session) != 0 ? session : nullptr;
}

Message* AsMessage(void* handle) {
  auto* message = static_cast<Message*>(handle);
  return messages.count(message) != 0 ? message : nullptr;
}

/// Runs an export's body under the lock; its failure result on any exception.
template <typename Result, typename Body>
Result Guarded(Result failure, Body body) noexcept {
  try {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    return body();
  } catch (...) {
    return failure;
  }
}

template <typename Body>
void GuardedVoid(Body body) noexcept {
  try {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    body();
  } catch (...) {
  }
}

// --------------------------------------------------------------- calls ---

int Login(Session* s, const char* profile) {
  s->Logout();
  if (initCount == 0) return 0;
  // MAPILogonEx takes the name as a non-const text.
  std::string name = profile != nullptr ? profile : "";
  // Never any dialog: the program may run with nobody at the desktop.
  ULONG flags = MAPI_EXTENDED | MAPI_NEW_SESSION;
  if (profile == nullptr) flags |= MAPI_USE_DEFAULT;
  const HRESULT result =
      mapi.logon(0, profile != nullptr ? name.data() : nullptr, nullptr, flags, s->session.put());
  if (FAILED(result) || !s->session) {
    s->session.Reset();
    return 0;
  }
  return 1;
}

/// What OpenMsgStore is always asked: the outbox is written to, and a dialog
/// nobody answers would hang the program. The caller's flags are not passed
/// on: the program's 0x201 is no documented combination, and of the
/// documented ones MDB_NO_MAIL, MDB_TEMPORARY and MDB_ONLINE would each keep
/// the store from sending as a mail client does.
constexpr ULONG kStoreFlags = MDB_WRITE | MDB_NO_DIALOG;

int OpenMessageStore(Session* s, const char* name) {
  if (!s->session) return 0;
  s->CloseStore();
  Ref<IMAPITable> table;
  if (FAILED(s->session->GetMsgStoresTable(0, table.put()))) return 0;
  std::vector<BYTE> id;
  VisitRows(table.get(), Tags<3>{3, {PR_ENTRYID, PR_DEFAULT_STORE, PR_DISPLAY_NAME_A}},
            [&](const SRowSet& rows) {
              id = StoreEntryId(rows, name);
              return !id.empty();
            });
  if (id.empty()) return 0;
  if (FAILED(s->session->OpenMsgStore(0, static_cast<ULONG>(id.size()),
                                      reinterpret_cast<LPENTRYID>(id.data()), nullptr, kStoreFlags,
                                      s->store.put())) ||
      !s->store) {
    s->store.Reset();
    return 0;
  }
  s->submitted = std::make_shared<bool>(false);
  return 1;
}

const char* ProfileNameOf(Session* s) {
  if (s->profileNameKnown) return s->profileName.c_str();
  if (!s->session) return nullptr;
  Ref<IMAPITable> table;
  if (FAILED(s->session->GetStatusTable(0, table.put()))) return nullptr;
  std::string name;
  const bool found = VisitRows(table.get(), Tags<2>{2, {PR_DISPLAY_NAME_A, PR_RESOURCE_TYPE}},
                               [&](const SRowSet& rows) { return ProfileName(rows, &name); });
  if (!found) return nullptr;
  s->profileName = name;
  s->profileNameKnown = true;
  return s->profileName.c_str();
}

void* OpenOutbox(Session* s, ULONG flags) {
  if (!s->store) return nullptr;
  s->outbox.Reset();
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  if (!Read(s->store.get(), Tags<2>{2, {PR_IPM_OUTBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID}}, &count,
            &values)) {
    return nullptr;
  }
  std::vector<BYTE> id = BinaryOf(values.get(), count, PR_IPM_OUTBOX_ENTRYID);
  if (id.empty()) return nullptr;
  s->sentItems = BinaryOf(values.get(), count, PR_IPM_SENTMAIL_ENTRYID);
  ULONG type = 0;
  Ref<IUnknown> opened;
  if (FAILED(s->store->OpenEntry(static_cast<ULONG>(id.size()),
                                 reinterpret_cast<LPENTRYID>(id.data()), &IID_IMAPIFolder, flags,
                                 &type, opened.put())) ||
      !opened || type != MAPI_FOLDER) {
    return nullptr;
  }
  s->outbox = As<IMAPIFolder>(&opened);
  return s->outbox.get();
}

int MessageCreate(Message* m, Session* s) {
  m->Reset();
  if (!s->outbox) return 0;
  Ref<IMessage> created;
  if (FAILED(s->outbox->CreateMessage(nullptr, 0, created.put())) || !created) return 0;
  SBinary sentItems{static_cast<ULONG>(s->sentItems.size()), s->sentItems.data()};
  if (!Apply(created.get(), NewMessageRow(&sentItems))) return 0;
  m->message = std::move(created);
  m->session = s->session.Share();
  m->outbox = s->outbox.Share();
  m->submitted = s->submitted;
  return 1;
}

IAddrBook* AddressBookOf(Message* m) {
  if (!m->addressBook && m->session) {
    m->session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, m->addressBook.put());
  }
  return m->addressBook.get();
}

/// A one-off entry identifier for an SMTP address; empty when the address
/// book cannot make one.
std::vector<BYTE> OneOffEntryId(IAddrBook* book, const RecipientText& who) {
  if (book == nullptr) return std::vector<BYTE>();
  // CreateOneOff takes its texts as non-const.
  std::string name = who.name;
  std::string addressType = "SMTP";
  std::string address = who.address;
  MapiBuffer<ENTRYID> entryId;
  ULONG size = 0;
  // Plain Internet mail: the recipient's client may not read MAPI's own
  // rich-text attachment.
  if (FAILED(book->CreateOneOff(name.data(), addressType.data(), address.data(),
                                MAPI_SEND_NO_RICH_INFO, &size, entryId.put())) ||
      entryId.get() == nullptr) {
    return std::vector<BYTE>();
  }
  const auto* bytes = reinterpret_cast<const BYTE*>(entryId.get());
  return std::vector<BYTE>(bytes, bytes + size);
}

/// Outcome of asking the address book for a recipient.
enum class Resolution { kResolved, kUnresolved, kFailed };

Resolution Resolve(Message* m, const char* text, ULONG recipientClass) {
  IAddrBook* book = AddressBookOf(m);
  if (book == nullptr) return Resolution::kUnresolved;
  AddressList resolved;
  // No dialog: a name the address book cannot settle on its own (not found,
  // or ambiguous) is left to the rules below.
  if (FAILED(NewResolveList(mapi.buffers, text, recipientClass, resolved.put())) ||
      FAILED(book->ResolveName(0, 0, nullptr, resolved.get())) || resolved.get()->cEntries != 1) {
    return Resolution::kUnresolved;
  }
  return SUCCEEDED(SetRecipientClass(mapi.buffers, &resolved.get()->aEntries[0], recipientClass,
                                     resolved.kept())) &&
                 SUCCEEDED(m->message->ModifyRecipients(MODRECIP_ADD, resolved.get()))
             ? Resolution::kResolved
             : Resolution::kFailed;
}

/// An Internet address nobody in the address book has, as a one-off.
bool AddOneOff(Message* m, const RecipientText& recipient, ULONG recipientClass) {
  std::vector<BYTE> entryId = OneOffEntryId(AddressBookOf(m), recipient);
  SBinary id{static_cast<ULONG>(entryId.size()), entryId.data()};
  AddressList oneOff;
  return SUCCEEDED(NewOneOffList(mapi.buffers, recipient, recipientClass,
                                 entryId.empty() ? nullptr : &id, oneOff.put())) &&
         SUCCEEDED(m->message->ModifyRecipients(MODRECIP_ADD, oneOff.get()));
}

int AddRecipient(Message* m, const char* text, int type) {
  const ULONG recipientClass = RecipientClass(type);
  if (!m->message || text == nullptr || recipientClass == 0) return 0;
  const RecipientText recipient = ParseRecipient(text);
  // A blank piece is no one the address book could find, nor an address.
  const Resolution resolution =
      recipient.name.empty() ? Resolution::kUnresolved : Resolve(m, text, recipientClass);
  bool added = resolution == Resolution::kResolved;
  // A name the address book does not know would become a one-off that
  // bounces later, after the user was told the mail went: only an address
  // goes without the address book.
  if (resolution == Resolution::kUnresolved && mail::IsClientAddress(recipient.address)) {
    added = AddOneOff(m, recipient, recipientClass);
  }
  if (!added) m->incomplete = true;
  return added ? 1 : 0;
}

void SetBody(Message* m, const char* text) {
  if (!m->message) return;
  if (Apply(m->message.get(), BodyRow(text))) return;
  // A body too long for SetProps goes in as a stream.
  const std::string body = mail::LineBreaksAs(text != nullptr ? text : "", "\r\n");
  WriteStream(m->message.get(), PR_BODY_A, [&](IStream* stream) {
    return WriteAll(stream, body.data(), static_cast<ULONG>(body.size()));
  });
}

bool StreamFile(HANDLE file, IStream* stream) {
  std::vector<BYTE> chunk(64 * 1024);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
      return false;
    }
    if (read == 0) return true;
    if (!WriteAll(stream, chunk.data(), read)) return false;
  }
}

/// Copies the file into a new attachment; false, leaving none, when it
/// cannot.
bool Attach(Message* m, const char* path, const char* name) {
  // The file first: a file that cannot be read must not leave an empty
  // attachment behind. The host may still hold the document open for
  // writing; sharing reads alone would refuse it.
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return false;
  ULONG number = 0;
  Ref<IAttach> attachment;
  if (FAILED(m->message->CreateAttach(nullptr, 0, &number, attachment.put())) || !attachment) {
    return false;
  }
  const bool written =
      Apply(attachment.get(), AttachmentRow(path, name)) &&
      WriteStream(attachment.get(), PR_ATTACH_DATA_BIN,
                  [&](IStream* stream) { return StreamFile(file.get(), stream); }) &&
      SUCCEEDED(attachment->SaveChanges(0));
  attachment.Reset();
  if (!written) m->message->DeleteAttach(number, 0, nullptr, 0);
  return written;
}

int AddAttachment(Message* m, const char* path, const char* name) {
  if (!m->message || path == nullptr || *path == '\0') return 0;
  // Never dropped silently: a mail without the document it was to carry is
  // no mail to report as sent.
  if (Attach(m, path, name)) return 1;
  m->incomplete = true;
  return 0;
}

/// Removes a saved message from the outbox, by its entry identifier.
void DeleteFromOutbox(IMAPIFolder* outbox, std::vector<BYTE> id) {
  if (outbox == nullptr || id.empty()) return;
  SBinary entry{static_cast<ULONG>(id.size()), id.data()};
  ENTRYLIST list{1, &entry};
  outbox->DeleteMessages(&list, 0, nullptr, 0);
}

/// Drops a message that was saved to the outbox but will not be sent: left
/// there, it would wait in the user's outbox for ever, unsent.
void Discard(Message* m) {
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  std::vector<BYTE> id;
  if (Read(m->message.get(), Tags<1>{1, {PR_ENTRYID}}, &count, &values)) {
    id = BinaryOf(values.get(), count, PR_ENTRYID);
  }
  m->message.Reset();
  DeleteFromOutbox(m->outbox.get(), std::move(id));
}

/// True when the address is the logged-on identity's own. An identity the
/// session cannot name counts as someone else.
bool IsOwnAddress(IMAPISession* session, const std::string& address) {
  ULONG size = 0;
  MapiBuffer<ENTRYID> id;
  if (FAILED(session->QueryIdentity(&size, id.put())) || id.get() == nullptr) return false;
  ULONG type = 0;
  Ref<IUnknown> opened;
  if (FAILED(session->OpenEntry(size, id.get(), nullptr, 0, &type, opened.put())) || !opened) {
    return false;
  }
  // A mail user or any other address book entry: each is an IMAPIProp.
  Ref<IMAPIProp> identity = As<IMAPIProp>(&opened);
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  return Read(identity.get(), Tags<2>{2, {PR_SMTP_ADDRESS_A, PR_EMAIL_ADDRESS_A}}, &count,
              &values) &&
         IsIdentityAddress(values.get(), count, address);
}

/// Names the sender the mail is sent for when that is not the logged-on
/// identity: the whole PR_SENT_REPRESENTING_* group, or none of it when no
/// one-off entry identifier can be made (the mail then goes as the identity).
void SetRepresentedSender(Message* m) {
  const std::string address = ParseRecipient(m->senderAddress.c_str()).address;
  if (!mail::IsClientAddress(address)) return;
  if (m->session && IsOwnAddress(m->session.get(), address)) return;
  const RecipientText sender{m->senderName.empty() ? address : m->senderName, address};
  std::vector<BYTE> entryId = OneOffEntryId(AddressBookOf(m), sender);
  if (entryId.empty()) return;
  const SBinary id{static_cast<ULONG>(entryId.size()), entryId.data()};
  Apply(m->message.get(), RepresentedSenderRow(sender.name, sender.address, id));
}

/// Opens the saved message again, after its form was shown, and reads its
/// PR_MESSAGE_FLAGS; what opening it returned.
HRESULT ReadFlagsAgain(IMsgStore* store, std::vector<BYTE> id, ULONG* count,
                       MapiBuffer<SPropValue>* values) {
  if (id.empty()) return MAPI_E_INVALID_ENTRYID;
  ULONG type = 0;
  Ref<IUnknown> opened;
  const HRESULT result =
      store->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()),
                       nullptr, 0, &type, opened.put());
  if (FAILED(result) || !opened) return FAILED(result) ? result : MAPI_E_CALL_FAILED;
  Ref<IMessage> saved = As<IMessage>(&opened);
  return Read(saved.get(), Tags<1>{1, {PR_MESSAGE_FLAGS}}, count, values) ? result
                                                                          : MAPI_E_CALL_FAILED;
}

int ShowForm(Message* m, Session* s) {
  if (!m->message || !s->session || !s->store || !s->outbox) return 0;
  if (m->incomplete) {
    m->message.Reset();  // never saved: nothing to take out of the outbox
    return 0;
  }
  SetRepresentedSender(m);
  // The form opens the message from the store, so it has to be saved there.
  if (FAILED(m->message->SaveChanges(KEEP_OPEN_READWRITE))) return 0;
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  if (!Read(
          m->message.get(),
          Tags<5>{5, {PR_ENTRYID, PR_MSG_STATUS, PR_MESSAGE_FLAGS, PR_ACCESS, PR_MESSAGE_CLASS_A}},
          &count, &values)) {
    Discard(m);
    return 0;
  }
  const FormArguments form = FormArgumentsFrom(values.get(), count);
  std::vector<BYTE> id = BinaryOf(values.get(), count, PR_ENTRYID);
  std::string messageClass = form.messageClass;

  SessionForms* forms = FormsOf(s->session.get());
  ULONG_PTR token = 0;
  if (FAILED(forms->PrepareForm(nullptr, m->message.get(), &token))) {
    m->message.Reset();
    DeleteFromOutbox(s->outbox.get(), std::move(id));
    return 0;
  }
  // PrepareForm holds the message now; ours has to go before the form opens.
  m->message.Reset();
  const HRESULT shown =
      forms->ShowForm(0, s->store.get(), s->outbox.get(), nullptr, token, nullptr, 0, form.status,
                      form.flags, form.access, messageClass.data());
  // A form that was shown and closed says nothing of what the user did: the
  // message itself does.
  HRESULT reopened = S_OK;
  ULONG flagCount = 0;
  MapiBuffer<SPropValue> flags;
  if (SUCCEEDED(shown)) reopened = ReadFlagsAgain(s->store.get(), id, &flagCount, &flags);
  const int outcome =
      FormOutcome(shown, reopened, FindValue(flags.get(), flagCount, PR_MESSAGE_FLAGS));
  // A mail the user did not send must not stay in the outbox, saved but
  // never sent. One that may have been sent stays where it is.
  if (outcome == 2) DeleteFromOutbox(s->outbox.get(), std::move(id));
  if (outcome == 1 && s->submitted) *s->submitted = true;
  return outcome;
}

int Send(Message* m) {
  if (!m->message) return 0;
  if (m->incomplete) {
    m->message.Reset();  // never saved: nothing to take out of the outbox
    return 0;
  }
  SetRepresentedSender(m);
  if (FAILED(m->message->SaveChanges(KEEP_OPEN_READWRITE))) return 0;
  if (FAILED(m->message->SubmitMessage(0))) {
    Discard(m);
    return 0;
  }
  // Submitted, the message is the spooler's; the store is to be logged off
  // so that the spooler sends it.
  m->message.Reset();
  if (m->submitted) *m->submitted = true;
  return 1;
}

/// Releases every MAPI object still held, before MAPI goes away.
void ReleaseEverything() {
  for (Message* m : messages) m->Reset();
  for (Session* s : sessions) s->Logout();
}

/// A new object, known as live so that its handle is accepted later.
template <typename T>
void* NewLive(std::set<T*>& live) {
  auto* object = new T();
  try {
    live.insert(object);
  } catch (...) {
    delete object;
    throw;
  }
  return object;
}

}  // namespace
}  // namespace j6::mapiex

using namespace j6::mapiex;

J6_EXPORT void* __cdecl MAPIEx_SessionNew(void) {
  return Guarded<void*>(nullptr, [] { return NewLive(sessions); });
}

J6_EXPORT void __cdecl MAPIEx_SessionDelete(void* session) {
  GuardedVoid([&] {
    Session* s = AsSession(session);
    if (s == nullptr) return;
    s->Logout();
    sessions.erase(s);
    delete s;
  });
}

J6_EXPORT int __cdecl MAPIEx_Init(int flags) {
  return Guarded(0, [&] {
    if (!LoadMapi32()) return 0;
    MAPIINIT_0 init{MAPI_INIT_VERSION, static_cast<ULONG>(flags)};
    if (FAILED(mapi.initialize(&init))) return 0;
    ++initCount;
    return 1;
  });
}

J6_EXPORT void __cdecl MAPIEx_Term(void) {
  GuardedVoid([] {
    if (initCount == 0) return;
    if (initCount == 1) ReleaseEverything();
    mapi.uninitialize();
    --initCount;
  });
}

J6_EXPORT int __cdecl MAPIEx_Login(void* session, const char* profile) {
  return Guarded(0, [&] {
    Session* s = AsSession(session);
    return s != nullptr ? Login(s, profile) : 0;
  });
}

J6_EXPORT int __cdecl MAPIEx_OpenMessageStore(void* session, const char* store,
                                              unsigned int /*flags*/) {
  return Guarded(0, [&] {
    Session* s = AsSession(session);
    return s != nullptr ? OpenMessageStore(s, store) : 0;
  });
}

J6_EXPORT const char* __cdecl MAPIEx_GetProfileName(void* session) {
  return Guarded<const char*>(nullptr, [&]() -> const char* {
    Session* s = AsSession(session);
    return s != nullptr ? ProfileNameOf(s) : nullptr;
  });
}

J6_EXPORT void* __cdecl MAPIEx_OpenOutbox(void* session, int flags) {
  return Guarded<void*>(nullptr, [&]() -> void* {
    Session* s = AsSession(session);
    return s != nullptr ? OpenOutbox(s, static_cast<ULONG>(flags)) : nullptr;
  });
}

J6_EXPORT void __cdecl MAPIEx_Logout(void* session) {
  GuardedVoid([&] {
    if (Session* s = AsSession(session)) s->Logout();
  });
}

J6_EXPORT void* __cdecl MAPIEx_MessageNew(void) {
  return Guarded<void*>(nullptr, [] { return NewLive(messages); });
}

J6_EXPORT void __cdecl MAPIEx_MessageDelete(void* message) {
  GuardedVoid([&] {
    Message* m = AsMessage(message);
    if (m == nullptr) return;
    m->Reset();
    messages.erase(m);
    delete m;
  });
}

// The importance number is not passed on: every mail is of normal importance.
J6_EXPORT int __cdecl MAPIEx_MessageCreate(void* message, void* session, int /*importance*/) {
  return Guarded(0, [&] {
    Message* m = AsMessage(message);
    Session* s = AsSession(session);
    return m != nullptr && s != nullptr ? MessageCreate(m, s) : 0;
  });
}

// The sender is kept until the message is handed over: the represented
// sender's properties go in as one group, once name and address are known.
J6_EXPORT void __cdecl MAPIEx_SetSenderName(void* message, const char* text) {
  GuardedVoid([&] {
    Message* m = AsMessage(message);
    if (m != nullptr && m->message) m->senderName = text != nullptr ? text : "";
  });
}

J6_EXPORT void __cdecl MAPIEx_SetSenderEmail(void* message, const char* text) {
  GuardedVoid([&] {
    Message* m = AsMessage(message);
    if (m != nullptr && m->message) m->senderAddress = text != nullptr ? text : "";
  });
}

J6_EXPORT int __cdecl MAPIEx_AddRecipient(void* message, const char* text, int type) {
  return Guarded(0, [&] {
    Message* m = AsMessage(message);
    return m != nullptr ? AddRecipient(m, text, type) : 0;
  });
}

J6_EXPORT void __cdecl MAPIEx_SetSubject(void* message, const char* text) {
  GuardedVoid([&] {
    Message* m = AsMessage(message);
    if (m != nullptr && m->message) Apply(m->message.get(), SubjectRow(text));
  });
}

J6_EXPORT void __cdecl MAPIEx_SetBody(void* message, const char* text) {
  GuardedVoid([&] {
    if (Message* m = AsMessage(message)) SetBody(m, text);
  });
}

J6_EXPORT int __cdecl MAPIEx_AddAttachment(void* message, const char* path, const char* name) {
  return Guarded(0, [&] {
    Message* m = AsMessage(message);
    return m != nullptr ? AddAttachment(m, path, name) : 0;
  });
}

J6_EXPORT int __cdecl MAPIEx_ShowForm(void* message, void* session) {
  return Guarded(0, [&] {
    Message* m = AsMessage(message);
    Session* s = AsSession(session);
    return m != nullptr && s != nullptr ? ShowForm(m, s) : 0;
  });
}

J6_EXPORT int __cdecl MAPIEx_Send(void* message) {
  return Guarded(0, [&] {
    Message* m = AsMessage(message);
    return m != nullptr ? Send(m) : 0;
  });
}
