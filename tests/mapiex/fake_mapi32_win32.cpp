// The fake Extended MAPI of tests/mapiex/fake_mapi32_win32.h.
#include "tests/mapiex/fake_mapi32_win32.h"

#include <windows.h>

#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

// Defines IID_IMAPIFolder here, to see which interface OpenEntry is asked for.
#define USES_IID_IMAPIFolder
#include <initguid.h>

#include <mapiguid.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "mapiex/session_forms_win32.h"
#include "tests/mapiex/fake_buffers_win32.h"

// The interfaces' methods it does not need are made from mapidefs.h's method
// lists, with bodies that refuse; their parameters go unused.
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define J6_REFUSE \
  { return MAPI_E_NO_SUPPORT; }

#define J6_EXPORT extern "C" __declspec(dllexport)

namespace {

using j6::mapiex::test::FakeBuffers;

// ------------------------------------------------------------- journal ---

std::vector<std::string> journal;
std::string journalText;
std::map<std::string, std::string> script;
int liveObjects = 0;

void Note(const std::string& line) { journal.push_back(line); }

/// The scripted result of a call, S_OK unless the test said otherwise.
HRESULT Result(const std::string& call) {
  const auto found = script.find(call);
  if (found == script.end()) return S_OK;
  return static_cast<HRESULT>(std::strtoul(found->second.c_str(), nullptr, 16));
}

std::string Setting(const std::string& name) {
  const auto found = script.find(name);
  return found != script.end() ? found->second : std::string();
}

std::string Hex(ULONG value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(value));
  return text;
}

#define J6_TAG(tag) \
  { tag, #tag }
const std::map<ULONG, std::string> tagNames = {
    J6_TAG(PR_ACCESS),
    J6_TAG(PR_ADDRTYPE_A),
    J6_TAG(PR_ATTACH_DATA_BIN),
    J6_TAG(PR_ATTACH_EXTENSION_A),
    J6_TAG(PR_ATTACH_FILENAME_A),
    J6_TAG(PR_ATTACH_LONG_FILENAME_A),
    J6_TAG(PR_ATTACH_METHOD),
    J6_TAG(PR_BODY_A),
    J6_TAG(PR_DEFAULT_STORE),
    J6_TAG(PR_DISPLAY_NAME_A),
    J6_TAG(PR_DISPLAY_TYPE),
    J6_TAG(PR_EMAIL_ADDRESS_A),
    J6_TAG(PR_ENTRYID),
    J6_TAG(PR_IMPORTANCE),
    J6_TAG(PR_IPM_OUTBOX_ENTRYID),
    J6_TAG(PR_IPM_SENTMAIL_ENTRYID),
    J6_TAG(PR_MESSAGE_CLASS_A),
    J6_TAG(PR_MESSAGE_FLAGS),
    J6_TAG(PR_MSG_STATUS),
    J6_TAG(PR_OBJECT_TYPE),
    J6_TAG(PR_RECIPIENT_TYPE),
    J6_TAG(PR_RENDERING_POSITION),
    J6_TAG(PR_RESOURCE_TYPE),
    J6_TAG(PR_SEND_RICH_INFO),
    J6_TAG(PR_SENDER_ADDRTYPE_A),
    J6_TAG(PR_SENDER_EMAIL_ADDRESS_A),
    J6_TAG(PR_SENDER_NAME_A),
    J6_TAG(PR_SENT_REPRESENTING_ADDRTYPE_A),
    J6_TAG(PR_SENT_REPRESENTING_EMAIL_ADDRESS_A),
    J6_TAG(PR_SENT_REPRESENTING_ENTRYID),
    J6_TAG(PR_SENT_REPRESENTING_NAME_A),
    J6_TAG(PR_SENT_REPRESENTING_SEARCH_KEY),
    J6_TAG(PR_SENTMAIL_ENTRYID),
    J6_TAG(PR_SMTP_ADDRESS_A),
    J6_TAG(PR_SUBJECT_A),
};
#undef J6_TAG

std::string TagName(ULONG tag) {
  const auto found = tagNames.find(tag);
  return found != tagNames.end() ? found->second : Hex(tag);
}

/// A text as the journal shows it: CR, LF and zero as \r, \n and \0.
std::string Shown(const std::string& text) {
  std::string shown;
  for (char c : text) {
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\0') {
      shown += "\\0";
    } else {
      shown += c;
    }
  }
  return shown;
}

/// A value as stored here: every type as bytes in a string.
std::string Encoded(const SPropValue& v) {
  switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8:
      return v.Value.lpszA != nullptr ? v.Value.lpszA : "<null>";
    case PT_LONG:
      return std::to_string(v.Value.l);
    case PT_BOOLEAN:
      return v.Value.b != 0 ? "true" : "false";
    case PT_BINARY:
      return std::string(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb);
    case PT_ERROR:
      return "error " + Hex(static_cast<ULONG>(v.Value.err));
    default:
      return "type " + Hex(PROP_TYPE(v.ulPropTag));
  }
}

std::string Shown(const SPropValue* values, ULONG count) {
  std::string shown;
  for (ULONG i = 0; i < count; ++i) {
    shown += " " + TagName(values[i].ulPropTag) + "=" + Shown(Encoded(values[i]));
  }
  return shown;
}

std::string Text(LPCSTR text) { return text != nullptr ? text : "<null>"; }

std::string IdOf(ULONG size, const void* id) {
  return id != nullptr ? std::string(static_cast<const char*>(id), size) : "<null>";
}

/// Makes the value of a tag from its stored form, texts and bytes in buffers
/// that hang off parent.
void Decode(ULONG tag, const std::string& stored, void* parent, SPropValue* v) {
  *v = SPropValue{};
  v->ulPropTag = tag;
  LPVOID data = nullptr;
  switch (PROP_TYPE(tag)) {
    case PT_STRING8: {
      const std::size_t size = stored.size() + 1;
      FakeBuffers::AllocateMore(static_cast<ULONG>(size), parent, &data);
    }
      std::memcpy(data, stored.c_str(), stored.size() + 1);
      v->Value.lpszA = static_cast<LPSTR>(data);
      break;
    case PT_BINARY:
      FakeBuffers::AllocateMore(static_cast<ULONG>(stored.size()), parent, &data);
      std::memcpy(data, stored.data(), stored.size());
      v->Value.bin = SBinary{static_cast<ULONG>(stored.size()), static_cast<LPBYTE>(data)};
      break;
    case PT_BOOLEAN:
      v->Value.b = stored == "true" ? 1 : 0;
      break;
    default:
      v->Value.l = std::strtol(stored.c_str(), nullptr, 10);
      break;
  }
}

using Values = std::map<ULONG, std::string>;

// ------------------------------------------------------------- mailbox ---

// What the outbox holds, by entry identifier, as each message was saved. A
// submitted message (MSGFLAG_SUBMIT) waits there for the spooler. With no
// mail client running, the spooler sends the queue only when the store is
// logged off with LOGOFF_PURGE, which returns once it is flushed; a store
// released without that is logged off as aborted, and its queue stays unsent.
std::map<std::string, Values> outboxItems;
int savedMessages = 0;

ULONG FlagsOf(const Values& values) {
  const auto found = values.find(PR_MESSAGE_FLAGS);
  return found != values.end() ? std::strtoul(found->second.c_str(), nullptr, 10) : 0;
}

bool IsQueued(const Values& values) { return (FlagsOf(values) & MSGFLAG_SUBMIT) != 0; }

/// The spooler at work: every submitted message leaves the outbox, sent.
void SendQueue() {
  for (auto item = outboxItems.begin(); item != outboxItems.end();) {
    if (IsQueued(item->second)) {
      Note("spooler.Sent " + item->first);
      item = outboxItems.erase(item);
    } else {
      ++item;
    }
  }
}

/// The asked tags' values in one buffer, an error value for each one missing.
HRESULT GetValues(const Values& values, LPSPropTagArray tags, ULONG* count, LPSPropValue* out) {
  LPVOID block = nullptr;
  FakeBuffers::Allocate(tags->cValues * sizeof(SPropValue), &block);
  auto* result = static_cast<LPSPropValue>(block);
  bool missing = false;
  for (ULONG i = 0; i < tags->cValues; ++i) {
    const auto found = values.find(tags->aulPropTag[i]);
    if (found != values.end()) {
      Decode(found->first, found->second, block, &result[i]);
    } else {
      result[i] = SPropValue{};
      result[i].ulPropTag = CHANGE_PROP_TYPE(tags->aulPropTag[i], PT_ERROR);
      result[i].Value.err = MAPI_E_NOT_FOUND;
      missing = true;
    }
  }
  *count = tags->cValues;
  *out = result;
  return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

// ------------------------------------------------------------- objects ---

/// Reference counting, and the count of live objects, for every fake.
template <typename Interface>
class Counted : public Interface {
 public:
  Counted() { ++liveObjects; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
  virtual ~Counted() { --liveObjects; }

  STDMETHODIMP QueryInterface(REFIID, LPVOID* object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  ULONG references() const { return references_; }

 private:
  ULONG references_ = 1;
};

// Every method of each interface, refusing; the fakes override what they do.
struct StubTable : Counted<IMAPITable> {
  MAPI_IMAPITABLE_METHODS(J6_REFUSE)
};
struct StubAttach : Counted<IAttach> {
  MAPI_IMAPIPROP_METHODS(J6_REFUSE)
};
struct StubMessage : Counted<IMessage> {
  MAPI_IMAPIPROP_METHODS(J6_REFUSE)
  MAPI_IMESSAGE_METHODS(J6_REFUSE)
};
struct StubFolder : Counted<IMAPIFolder> {
  MAPI_IMAPIPROP_METHODS(J6_REFUSE)
  MAPI_IMAPICONTAINER_METHODS(J6_REFUSE)
  MAPI_IMAPIFOLDER_METHODS(J6_REFUSE)
};
struct StubStore : Counted<IMsgStore> {
  MAPI_IMAPIPROP_METHODS(J6_REFUSE)
  MAPI_IMSGSTORE_METHODS(J6_REFUSE)
};
struct StubAddressBook : Counted<IAddrBook> {
  MAPI_IMAPIPROP_METHODS(J6_REFUSE)
  MAPI_IADDRBOOK_METHODS(J6_REFUSE)
};
struct StubMailUser : Counted<IMailUser> {
  MAPI_IMAPIPROP_METHODS(J6_REFUSE)
};

/// Properties kept as set; the journal names the object as given.
template <typename Stub>
class PropertyObject : public Stub {
 public:
  explicit PropertyObject(std::string name) : name_(std::move(name)) {}

  STDMETHODIMP SetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) override {
    Note(name_ + ".SetProps" + Shown(values, count));
    if (problems != nullptr) *problems = nullptr;
    const HRESULT result = Result(name_ + ".SetProps");
    if (FAILED(result)) return result;
    const std::string refused = Setting("SetProps.fails");
    for (ULONG i = 0; i < count; ++i) {
      if (TagName(values[i].ulPropTag) == refused) return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    for (ULONG i = 0; i < count; ++i) values_[values[i].ulPropTag] = Encoded(values[i]);
    return S_OK;
  }
  STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG /*flags*/, ULONG* count,
                        LPSPropValue* values) override {
    std::string asked;
    for (ULONG i = 0; i < tags->cValues; ++i) asked += " " + TagName(tags->aulPropTag[i]);
    Note(name_ + ".GetProps" + asked);
    const HRESULT result = Result(name_ + ".GetProps");
    if (FAILED(result)) return result;
    return GetValues(values_, tags, count, values);
  }

 protected:
  std::string name_;
  Values values_;
};

class Stream : public Counted<IStream> {
 public:
  explicit Stream(std::string property) : property_(std::move(property)) {}
  STDMETHODIMP Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP Write(const void* bytes, ULONG size, ULONG* written) override {
    data_.append(static_cast<const char*>(bytes), size);
    if (written != nullptr) *written = size;
    return S_OK;
  }
  STDMETHODIMP Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Commit(DWORD /*flags*/) override {
    Note("stream.Commit " + property_ + " " + std::to_string(data_.size()) + " bytes " +
         (data_.size() <= 64 ? Shown(data_) : FakeMapiDigest(data_)));
    return Result("stream.Commit");
  }
  STDMETHODIMP Revert() override { return E_NOTIMPL; }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

 private:
  std::string property_;
  std::string data_;
};

/// OpenProperty for a stream, as messages and attachments have it.
HRESULT OpenStream(const std::string& owner, ULONG tag, LPCIID iid, ULONG options, ULONG flags,
                   LPUNKNOWN* opened) {
  Note(owner + ".OpenProperty " + TagName(tag) +
       (iid != nullptr && *iid == IID_IStream ? " IStream" : " other interface") +
       " options=" + Hex(options) + " flags=" + Hex(flags));
  *opened = nullptr;
  const HRESULT result = Result(owner + ".OpenProperty");
  if (FAILED(result)) return result;
  if (iid == nullptr || *iid != IID_IStream) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  *opened = new Stream(TagName(tag));
  return S_OK;
}

class Attach : public PropertyObject<StubAttach> {
 public:
  Attach() : PropertyObject("attach") {}
  STDMETHODIMP OpenProperty(ULONG tag, LPCIID iid, ULONG options, ULONG flags,
                            LPUNKNOWN* opened) override {
    return OpenStream(name_, tag, iid, options, flags, opened);
  }
  STDMETHODIMP SaveChanges(ULONG flags) override {
    Note("attach.SaveChanges flags=" + Hex(flags));
    return Result("attach.SaveChanges");
  }
};

class Message : public PropertyObject<StubMessage> {
 public:
  Message() : PropertyObject("message") {}
  /// A message of the outbox opened again; the journal calls it "saved".
  Message(const std::string& id, const Values& values) : PropertyObject("saved"), id_(id) {
    values_ = values;
  }
  /// Saved with MSGFLAG_SUBMIT: in the spooler's queue.
  void MarkSubmitted() {
    values_[PR_MESSAGE_FLAGS] = std::to_string(FlagsOf(values_) | MSGFLAG_SUBMIT);
    Save();
  }

  STDMETHODIMP OpenProperty(ULONG tag, LPCIID iid, ULONG options, ULONG flags,
                            LPUNKNOWN* opened) override {
    return OpenStream(name_, tag, iid, options, flags, opened);
  }
  STDMETHODIMP SaveChanges(ULONG flags) override {
    Note(name_ + ".SaveChanges flags=" + Hex(flags));
    const HRESULT result = Result(name_ + ".SaveChanges");
    if (SUCCEEDED(result)) Save();
    return result;
  }
  STDMETHODIMP ModifyRecipients(ULONG flags, LPADRLIST list) override {
    std::string entries;
    for (ULONG i = 0; list != nullptr && i < list->cEntries; ++i) {
      entries += " |" + Shown(list->aEntries[i].rgPropVals, list->aEntries[i].cValues);
    }
    Note("message.ModifyRecipients flags=" + Hex(flags) + entries);
    return Result("message.ModifyRecipients");
  }
  STDMETHODIMP CreateAttach(LPCIID /*iid*/, ULONG /*flags*/, ULONG* number,
                            LPATTACH* made) override {
    Note("message.CreateAttach " + std::to_string(attachments_));
    *made = nullptr;
    const HRESULT result = Result("message.CreateAttach");
    if (FAILED(result)) return result;
    *number = attachments_++;
    *made = new Attach();
    return S_OK;
  }
  STDMETHODIMP DeleteAttach(ULONG number, ULONG, LPMAPIPROGRESS, ULONG) override {
    Note("message.DeleteAttach " + std::to_string(number));
    return S_OK;
  }
  STDMETHODIMP SubmitMessage(ULONG flags) override {
    Note(name_ + ".SubmitMessage flags=" + Hex(flags));
    const HRESULT result = Result(name_ + ".SubmitMessage");
    // Submitting saves the message as well.
    if (SUCCEEDED(result)) MarkSubmitted();
    return result;
  }

 private:
  /// Into the outbox, under an entry identifier given at the first save.
  void Save() {
    if (id_.empty()) id_ = "MESSAGE" + std::to_string(++savedMessages);
    values_[PR_ENTRYID] = id_;
    outboxItems[id_] = values_;
  }

  std::string id_;
  ULONG attachments_ = 0;
};

class Folder : public PropertyObject<StubFolder> {
 public:
  Folder() : PropertyObject("outbox") {}
  STDMETHODIMP CreateMessage(LPCIID /*iid*/, ULONG flags, LPMESSAGE* made) override {
    Note("outbox.CreateMessage flags=" + Hex(flags));
    *made = nullptr;
    const HRESULT result = Result("outbox.CreateMessage");
    if (FAILED(result)) return result;
    *made = new Message();
    return S_OK;
  }
  STDMETHODIMP DeleteMessages(LPENTRYLIST list, ULONG, LPMAPIPROGRESS, ULONG /*flags*/) override {
    std::string ids;
    for (ULONG i = 0; list != nullptr && i < list->cValues; ++i) {
      ids += " " + IdOf(list->lpbin[i].cb, list->lpbin[i].lpb);
    }
    Note("outbox.DeleteMessages" + ids);
    for (ULONG i = 0; list != nullptr && i < list->cValues; ++i) {
      outboxItems.erase(IdOf(list->lpbin[i].cb, list->lpbin[i].lpb));
    }
    return S_OK;
  }
};

class Store : public PropertyObject<StubStore> {
 public:
  explicit Store(std::string id) : PropertyObject("store"), id_(std::move(id)) {
    values_[PR_IPM_OUTBOX_ENTRYID] = "OUTBOX";
    if (Setting("sentitems") != "none") values_[PR_IPM_SENTMAIL_ENTRYID] = "SENTITEMS";
  }
  /// Released: what is still queued stays in the outbox, unsent.
  ~Store() override {
    for (const auto& item : outboxItems) {
      if (IsQueued(item.second)) Note("spooler.Unsent " + item.first);
    }
  }
  const std::string& id() const { return id_; }
  /// The outbox folder, or a message of the outbox. A script for
  /// "store.OpenEntry <id>" fails the opening of that entry alone.
  STDMETHODIMP OpenEntry(ULONG size, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* opened) override {
    const std::string wanted = IdOf(size, id);
    std::string asked;
    if (iid != nullptr) asked = *iid == IID_IMAPIFolder ? " IMAPIFolder" : " other interface";
    Note("store.OpenEntry " + wanted + asked + " flags=" + Hex(flags));
    *opened = nullptr;
    HRESULT result = Result("store.OpenEntry " + wanted);
    if (SUCCEEDED(result)) result = Result("store.OpenEntry");
    if (FAILED(result)) return result;
    if (wanted == "OUTBOX") {
      *type = MAPI_FOLDER;
      *opened = new Folder();
      return S_OK;
    }
    const auto saved = outboxItems.find(wanted);
    if (saved == outboxItems.end()) return MAPI_E_NOT_FOUND;
    *type = MAPI_MESSAGE;
    *opened = new Message(saved->first, saved->second);
    return S_OK;
  }
  /// One input flag a call, as documented. Only LOGOFF_PURGE returns once
  /// the spooler has sent the queue; after the others it is still waiting,
  /// and this process is about to end.
  STDMETHODIMP StoreLogoff(ULONG* flags) override {
    Note("store.StoreLogoff flags=" + Hex(*flags));
    const HRESULT result = Result("store.StoreLogoff");
    if (FAILED(result)) return result;
    const ULONG asked = *flags;
    if (asked != LOGOFF_NO_WAIT && asked != LOGOFF_ORDERLY && asked != LOGOFF_PURGE &&
        asked != LOGOFF_ABORT && asked != LOGOFF_QUIET) {
      return MAPI_E_INVALID_PARAMETER;
    }
    if (asked == LOGOFF_PURGE) SendQueue();
    *flags = 0;
    for (const auto& item : outboxItems) {
      if (IsQueued(item.second)) *flags = LOGOFF_OUTBOUND_QUEUE;
    }
    return S_OK;
  }

 private:
  std::string id_;
};

class Table : public StubTable {
 public:
  Table(std::string name, std::vector<Values> rows)
      : name_(std::move(name)), rows_(std::move(rows)) {}
  STDMETHODIMP SetColumns(LPSPropTagArray tags, ULONG /*flags*/) override {
    columns_.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    return S_OK;
  }
  /// One row a call, so that the caller has to ask until none is left.
  STDMETHODIMP QueryRows(LONG count, ULONG /*flags*/, LPSRowSet* rows) override {
    *rows = nullptr;
    const HRESULT result = Result(name_ + ".QueryRows");
    if (FAILED(result)) return result;
    LPVOID block = nullptr;
    FakeBuffers::Allocate(CbNewSRowSet(1), &block);
    auto* set = static_cast<LPSRowSet>(block);
    set->cRows = 0;
    if (count > 0 && next_ < rows_.size()) {
      LPVOID values = nullptr;
      const std::size_t size = columns_.size() * sizeof(SPropValue);
      FakeBuffers::Allocate(static_cast<ULONG>(size), &values);
      auto* props = static_cast<LPSPropValue>(values);
      const Values& row = rows_[next_++];
      for (size_t i = 0; i < columns_.size(); ++i) {
        const auto found = row.find(columns_[i]);
        if (found != row.end()) {
          Decode(columns_[i], found->second, values, &props[i]);
        } else {
          props[i] = SPropValue{};
          props[i].ulPropTag = CHANGE_PROP_TYPE(columns_[i], PT_ERROR);
          props[i].Value.err = MAPI_E_NOT_FOUND;
        }
      }
      set->cRows = 1;
      set->aRow[0] = SRow{0, static_cast<ULONG>(columns_.size()), props};
    }
    *rows = set;
    return S_OK;
  }

 private:
  std::string name_;
  std::vector<Values> rows_;
  std::vector<ULONG> columns_;
  size_t next_ = 0;
};

/// Whom the address book knows by a name: the people whose display name is
/// the name or has it as one of its words.
std::vector<std::string> PeopleCalled(const std::string& name) {
  static const char* const people[] = {"Anna Rossi", "Marco Rossi"};
  std::vector<std::string> found;
  for (const char* person : people) {
    const std::string known(person);
    const auto blank = known.find(' ');
    if (name == known || name == known.substr(0, blank) || name == known.substr(blank + 1)) {
      found.push_back(known);
    }
  }
  return found;
}

class AddressBook : public PropertyObject<StubAddressBook> {
 public:
  AddressBook() : PropertyObject("addressbook") {}
  STDMETHODIMP ResolveName(ULONG_PTR, ULONG flags, LPTSTR, LPADRLIST list) override {
    std::string entries;
    for (ULONG i = 0; i < list->cEntries; ++i) {
      entries += " |" + Shown(list->aEntries[i].rgPropVals, list->aEntries[i].cValues);
    }
    Note("addressbook.ResolveName flags=" + Hex(flags) + entries);
    const HRESULT result = Result("addressbook.ResolveName");
    if (FAILED(result)) return result;
    for (ULONG i = 0; i < list->cEntries; ++i) {
      SRow row{0, list->aEntries[i].cValues, list->aEntries[i].rgPropVals};
      std::string name;
      for (ULONG v = 0; v < row.cValues; ++v) {
        if (row.lpProps[v].ulPropTag == PR_DISPLAY_NAME_A) name = row.lpProps[v].Value.lpszA;
      }
      // Without MAPI_DIALOG nobody is asked: a name that fits no one, or
      // more than one, stays unresolved and fails the call.
      const std::vector<std::string> found = PeopleCalled(name);
      if (found.empty()) return MAPI_E_NOT_FOUND;
      if (found.size() > 1) return MAPI_E_AMBIGUOUS_RECIP;
      const std::string& knownAs = found.front();
      std::string login;
      for (char c : knownAs) {
        login += c == ' ' ? '.' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      }
      // As an address book does it: the entry's values replaced by what it
      // knows, which here lacks the recipient's class.
      FakeBuffers::Free(list->aEntries[i].rgPropVals);
      const Values known = {{PR_DISPLAY_NAME_A, knownAs},
                            {PR_ADDRTYPE_A, "SMTP"},
                            {PR_EMAIL_ADDRESS_A, login + "@example.com"},
                            {PR_ENTRYID, "AB:" + login},
                            {PR_OBJECT_TYPE, std::to_string(MAPI_MAILUSER)}};
      LPVOID block = nullptr;
      const std::size_t size = known.size() * sizeof(SPropValue);
      FakeBuffers::Allocate(static_cast<ULONG>(size), &block);
      auto* values = static_cast<LPSPropValue>(block);
      ULONG n = 0;
      for (const auto& value : known) Decode(value.first, value.second, block, &values[n++]);
      list->aEntries[i].rgPropVals = values;
      list->aEntries[i].cValues = n;
    }
    return S_OK;
  }
  STDMETHODIMP CreateOneOff(LPTSTR name, LPTSTR type, LPTSTR address, ULONG flags, ULONG* size,
                            LPENTRYID* id) override {
    Note("addressbook.CreateOneOff name=" + Text(name) + " type=" + Text(type) +
         " address=" + Text(address) + " flags=" + Hex(flags));
    *id = nullptr;
    const HRESULT result = Result("addressbook.CreateOneOff");
    if (FAILED(result)) return result;
    const std::string made = "ONEOFF:" + Text(address);
    LPVOID block = nullptr;
    FakeBuffers::Allocate(static_cast<ULONG>(made.size()), &block);
    std::memcpy(block, made.data(), made.size());
    *size = static_cast<ULONG>(made.size());
    *id = static_cast<LPENTRYID>(block);
    return S_OK;
  }
};

/// Every flag OpenMsgStore documents, MDB_ONLINE among them (mapidefs.h
/// lacks it); another bit is refused.
constexpr ULONG kStoreFlags = MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS | MDB_NO_DIALOG |
                              MDB_NO_MAIL | 0x00000100 | MDB_TEMPORARY | MDB_WRITE;

/// The logged-on identity's address book entry, as the "identity.*" settings
/// make it.
constexpr char kIdentity[] = "AB:identity";

class Identity : public PropertyObject<StubMailUser> {
 public:
  Identity() : PropertyObject("identity") {
    values_[PR_DISPLAY_NAME_A] = "Mario Bianchi";
    Take(PR_ADDRTYPE_A, "identity.type", "SMTP");
    Take(PR_EMAIL_ADDRESS_A, "identity.email", "mario.bianchi@example.com");
    Take(PR_SMTP_ADDRESS_A, "identity.smtp", "mario.bianchi@example.com");
  }

 private:
  void Take(ULONG tag, const std::string& setting, const std::string& otherwise) {
    const std::string value = Setting(setting);
    if (value != "none") values_[tag] = value.empty() ? otherwise : value;
  }
};

/// A token as wide as a pointer, that a ULONG would cut short in a 64-bit
/// process.
const ULONG_PTR kFormToken = static_cast<ULONG_PTR>(0x123456789ABCDEF1ull);

class Session : public Counted<j6::mapiex::SessionForms> {
 public:
  ~Session() override {
    if (prepared_ != nullptr) prepared_->Release();
  }
  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override J6_REFUSE STDMETHODIMP
      GetMsgStoresTable(ULONG /*flags*/, LPMAPITABLE* table) override {
    Note("session.GetMsgStoresTable");
    *table = nullptr;
    const HRESULT result = Result("session.GetMsgStoresTable");
    if (FAILED(result)) return result;
    *table = new Table(
        "stores",
        {{{PR_ENTRYID, "ARCHIVE"}, {PR_DEFAULT_STORE, "false"}, {PR_DISPLAY_NAME_A, "Archive"}},
         {{PR_ENTRYID, "MAILBOX"}, {PR_DEFAULT_STORE, "true"}, {PR_DISPLAY_NAME_A, "Mailbox"}}});
    return S_OK;
  }
  STDMETHODIMP OpenMsgStore(ULONG_PTR, ULONG size, LPENTRYID id, LPCIID, ULONG flags,
                            LPMDB* store) override {
    Note("session.OpenMsgStore " + IdOf(size, id) + " flags=" + Hex(flags));
    *store = nullptr;
    const HRESULT result = Result("session.OpenMsgStore");
    if (FAILED(result)) return result;
    if ((flags & ~kStoreFlags) != 0) return MAPI_E_UNKNOWN_FLAGS;
    *store = new Store(IdOf(size, id));
    return S_OK;
  }
  STDMETHODIMP OpenAddressBook(ULONG_PTR, LPCIID, ULONG flags, LPADRBOOK* book) override {
    Note("session.OpenAddressBook flags=" + Hex(flags));
    *book = nullptr;
    const HRESULT result = Result("session.OpenAddressBook");
    if (FAILED(result)) return result;
    *book = new AddressBook();
    return S_OK;
  }
  STDMETHODIMP OpenProfileSection(LPMAPIUID, LPCIID, ULONG,
                                  LPPROFSECT*) override J6_REFUSE STDMETHODIMP
      GetStatusTable(ULONG /*flags*/, LPMAPITABLE* table) override {
    Note("session.GetStatusTable");
    *table = nullptr;
    const HRESULT result = Result("session.GetStatusTable");
    if (FAILED(result)) return result;
    *table = new Table("status", {{{PR_DISPLAY_NAME_A, "Spooler"},
                                   {PR_RESOURCE_TYPE, std::to_string(MAPI_SPOOLER)}},
                                  {{PR_DISPLAY_NAME_A, "Fake Profile"},
                                   {PR_RESOURCE_TYPE, std::to_string(MAPI_SUBSYSTEM)}}});
    return S_OK;
  }
  /// Opens the identity's address book entry.
  STDMETHODIMP OpenEntry(ULONG size, LPENTRYID id, LPCIID, ULONG flags, ULONG* type,
                         LPUNKNOWN* opened) override {
    Note("session.OpenEntry " + IdOf(size, id) + " flags=" + Hex(flags));
    *opened = nullptr;
    const HRESULT result = Result("session.OpenEntry");
    if (FAILED(result)) return result;
    if (IdOf(size, id) != kIdentity) return MAPI_E_NOT_FOUND;
    *type = MAPI_MAILUSER;
    *opened = new Identity();
    return S_OK;
  }
  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG,
                               ULONG*) override J6_REFUSE STDMETHODIMP
      Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override J6_REFUSE STDMETHODIMP
      Unadvise(ULONG) override J6_REFUSE STDMETHODIMP
      MessageOptions(ULONG_PTR, ULONG, LPSTR, LPMESSAGE) override J6_REFUSE STDMETHODIMP
      QueryDefaultMessageOpt(LPSTR, ULONG, ULONG*, LPSPropValue*) override J6_REFUSE STDMETHODIMP
      EnumAdrTypes(ULONG, ULONG*, LPSTR**) override J6_REFUSE STDMETHODIMP
      QueryIdentity(ULONG* size, LPENTRYID* id) override {
    Note("session.QueryIdentity");
    *id = nullptr;
    const HRESULT result = Result("session.QueryIdentity");
    if (FAILED(result)) return result;
    LPVOID block = nullptr;
    FakeBuffers::Allocate(static_cast<ULONG>(std::strlen(kIdentity)), &block);
    std::memcpy(block, kIdentity, std::strlen(kIdentity));
    *size = static_cast<ULONG>(std::strlen(kIdentity));
    *id = static_cast<LPENTRYID>(block);
    return S_OK;
  }
  STDMETHODIMP Logoff(ULONG_PTR, ULONG flags, ULONG) override {
    Note("session.Logoff flags=" + Hex(flags));
    return S_OK;
  }
  STDMETHODIMP SetDefaultStore(ULONG, ULONG, LPENTRYID) override J6_REFUSE STDMETHODIMP
      AdminServices(ULONG, LPSERVICEADMIN*) override J6_REFUSE STDMETHODIMP
      ShowForm(ULONG_PTR /*uiParam*/, LPMDB store, LPMAPIFOLDER folder, LPCIID /*iid*/,
               ULONG_PTR token, LPMESSAGE /*sent*/, ULONG flags, ULONG status, ULONG messageFlags,
               ULONG access, LPSTR messageClass) override {
    auto* shownStore = dynamic_cast<Store*>(store);
    // The form must be the only one holding the message by now.
    const std::string references =
        prepared_ != nullptr ? std::to_string(prepared_->references()) : "none";
    Note("session.ShowForm store=" + (shownStore != nullptr ? shownStore->id() : "?") +
         " folder=" + (dynamic_cast<Folder*>(folder) != nullptr ? "outbox" : "?") + " token=" +
         (token == kFormToken ? "as prepared" : "WRONG") + " messageReferences=" + references +
         " flags=" + Hex(flags) + " status=" + Hex(status) + " messageFlags=" + Hex(messageFlags) +
         " access=" + Hex(access) + " class=" + Text(messageClass));
    const HRESULT result = Result("session.ShowForm");
    // What the user did in a form that closed without an error: nothing
    // (closed it), "sends" (submitted; the spooler sends it when the store is
    // logged off), or "sends, spooled" (the mail client's spooler sent it at
    // once: gone from the outbox).
    const std::string user = Setting("form.user");
    if (SUCCEEDED(result) && prepared_ != nullptr && user.rfind("sends", 0) == 0) {
      prepared_->MarkSubmitted();
      if (user == "sends, spooled") SendQueue();
    }
    if (prepared_ != nullptr) std::exchange(prepared_, nullptr)->Release();
    return result;
  }
  STDMETHODIMP PrepareForm(LPCIID, LPMESSAGE message, ULONG_PTR* token) override {
    Note("session.PrepareForm");
    const HRESULT result = Result("session.PrepareForm");
    if (FAILED(result)) return result;
    if (prepared_ != nullptr) prepared_->Release();
    prepared_ = dynamic_cast<Message*>(message);
    if (prepared_ != nullptr) prepared_->AddRef();
    *token = kFormToken;
    return S_OK;
  }

 private:
  Message* prepared_ = nullptr;
};

}  // namespace

// ------------------------------------------------------------- exports ---

J6_EXPORT HRESULT WINAPI MAPIInitialize(LPVOID init) {
  const auto* version = static_cast<const MAPIINIT_0*>(init);
  Note(version != nullptr ? "MAPIInitialize version=" + std::to_string(version->ulVersion) +
                                " flags=" + Hex(version->ulFlags)
                          : "MAPIInitialize <null>");
  return Result("MAPIInitialize");
}

J6_EXPORT void WINAPI MAPIUninitialize(void) { Note("MAPIUninitialize"); }

J6_EXPORT HRESULT WINAPI MAPILogonEx(ULONG_PTR uiParam, LPTSTR profile, LPTSTR password,
                                     ULONG flags, LPMAPISESSION* session) {
  Note("MAPILogonEx ui=" + std::to_string(uiParam) + " profile=" + Text(profile) +
       " password=" + Text(password) + " flags=" + Hex(flags));
  *session = nullptr;
  const HRESULT result = Result("MAPILogonEx");
  if (FAILED(result)) return result;
  // The session is handed out as MAPI's IMAPISession, as a real MAPI32 does.
  *session = reinterpret_cast<LPMAPISESSION>(static_cast<j6::mapiex::SessionForms*>(new Session()));
  return S_OK;
}

J6_EXPORT SCODE WINAPI MAPIAllocateBuffer(ULONG size, LPVOID* buffer) {
  return FakeBuffers::Allocate(size, buffer);
}

J6_EXPORT SCODE WINAPI MAPIAllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) {
  return FakeBuffers::AllocateMore(size, parent, buffer);
}

J6_EXPORT ULONG WINAPI MAPIFreeBuffer(LPVOID buffer) { return FakeBuffers::Free(buffer); }

J6_EXPORT void FakeMapi_Reset(void) {
  journal.clear();
  script.clear();
  outboxItems.clear();
  savedMessages = 0;
}

J6_EXPORT void FakeMapi_Script(const char* name, const char* value) { script[name] = value; }

J6_EXPORT const char* FakeMapi_Journal(void) {
  journalText.clear();
  for (const std::string& line : journal) journalText += line + "\n";
  return journalText.c_str();
}

J6_EXPORT int FakeMapi_LiveObjects(void) { return liveObjects; }
J6_EXPORT int FakeMapi_LiveBuffers(void) { return static_cast<int>(FakeBuffers::live()); }
J6_EXPORT int FakeMapi_Breaches(void) { return FakeBuffers::breaches(); }
