#include "mapiex/message_rows_win32.h"

#include <mapicode.h>
#include <mapitags.h>
#include <mapix.h>

#include <cstring>

#include "mail/file_name.h"
#include "mail/line_breaks.h"
#include "platform/ascii.h"

namespace j6::mapiex {

namespace {

constexpr char kSmtp[] = "SMTP";
constexpr char kNote[] = "IPM.Note";

/// A copy of the row's values in one MAPI buffer, texts and bytes hanging
/// off it, so that one FreeBuffer frees them all.
SCODE CopyRow(const Buffers& buffers, const PropertyRow& row, LPSPropValue* copy) {
  *copy = nullptr;
  LPVOID block = nullptr;
  SCODE result = buffers.allocate(row.count() * sizeof(SPropValue), &block);
  if (FAILED(result)) return result;
  auto* values = static_cast<LPSPropValue>(block);
  for (ULONG i = 0; i < row.count(); ++i) {
    values[i] = row.values()[i];
    LPVOID data = nullptr;
    switch (PROP_TYPE(values[i].ulPropTag)) {
      case PT_STRING8: {
        const size_t size = std::strlen(values[i].Value.lpszA) + 1;
        result = buffers.allocateMore(static_cast<ULONG>(size), block, &data);
        if (SUCCEEDED(result)) {
          std::memcpy(data, values[i].Value.lpszA, size);
          values[i].Value.lpszA = static_cast<LPSTR>(data);
        }
        break;
      }
      case PT_BINARY:
        result = buffers.allocateMore(values[i].Value.bin.cb, block, &data);
        if (SUCCEEDED(result)) {
          if (values[i].Value.bin.cb != 0) {
            std::memcpy(data, values[i].Value.bin.lpb, values[i].Value.bin.cb);
          }
          values[i].Value.bin.lpb = static_cast<LPBYTE>(data);
        }
        break;
      default:
        break;
    }
    if (FAILED(result)) {
      buffers.free(block);
      return result;
    }
  }
  *copy = values;
  return S_OK;
}

/// A list of one entry holding a copy of the row.
SCODE NewListOf(const Buffers& buffers, const PropertyRow& row, LPADRLIST* list) {
  *list = nullptr;
  LPVOID block = nullptr;
  SCODE result = buffers.allocate(CbNewADRLIST(1), &block);
  if (FAILED(result)) return result;
  auto* made = static_cast<LPADRLIST>(block);
  std::memset(made, 0, CbNewADRLIST(1));
  made->cEntries = 1;
  // The entry's values are a buffer of their own, not one hanging off the
  // list, since the address book frees and replaces them on its own.
  result = CopyRow(buffers, row, &made->aEntries[0].rgPropVals);
  if (FAILED(result)) {
    buffers.free(made);
    return result;
  }
  made->aEntries[0].cValues = row.count();
  *list = made;
  return S_OK;
}

}  // namespace

void PropertyRow::AddLong(ULONG tag, LONG value) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.l = value;
  values_.push_back(v);
}

void PropertyRow::AddBoolean(ULONG tag, bool value) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.b = value ? 1 : 0;
  values_.push_back(v);
}

void PropertyRow::AddText(ULONG tag, const std::string& text) {
  texts_.push_back(text);
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.lpszA = texts_.back().data();
  values_.push_back(v);
}

void PropertyRow::AddBinary(ULONG tag, const BYTE* bytes, ULONG size) {
  binaries_.emplace_back(bytes, bytes + size);
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.bin.cb = size;
  v.Value.bin.lpb = binaries_.back().data();
  values_.push_back(v);
}

const SPropValue* PropertyRow::Find(ULONG tag) const {
  for (const SPropValue& v : values_) {
    if (v.ulPropTag == tag) return &v;
  }
  return nullptr;
}

ULONG RecipientClass(int type) {
  switch (type) {
    case 1:
      return MAPI_TO;
    case 2:
      return MAPI_CC;
    case 3:
      return MAPI_BCC;
    default:
      return 0;
  }
}

std::string ExtensionOf(const std::string& name) {
  const auto dot = name.rfind('.');
  // A leading dot names a file, it does not start an extension.
  if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return std::string();
  return name.substr(dot);
}

PropertyRow NewMessageRow(const SBinary* sentItems) {
  PropertyRow row;
  row.AddText(PR_MESSAGE_CLASS_A, kNote);
  row.AddLong(PR_IMPORTANCE, IMPORTANCE_NORMAL);
  row.AddLong(PR_MESSAGE_FLAGS, MSGFLAG_UNSENT);
  if (sentItems != nullptr && sentItems->cb != 0) {
    row.AddBinary(PR_SENTMAIL_ENTRYID, sentItems->lpb, sentItems->cb);
  }
  return row;
}

std::vector<BYTE> SmtpSearchKey(const std::string& address) {
  std::vector<BYTE> key(kSmtp, kSmtp + sizeof kSmtp - 1);
  key.push_back(':');
  for (char c : address) key.push_back(static_cast<BYTE>(j6::platform::AsciiUpper(c)));
  key.push_back(0);
  return key;
}

PropertyRow RepresentedSenderRow(const std::string& name, const std::string& address,
                                 const SBinary& entryId) {
  const std::vector<BYTE> searchKey = SmtpSearchKey(address);
  PropertyRow row;
  row.AddText(PR_SENT_REPRESENTING_NAME_A, name);
  row.AddText(PR_SENT_REPRESENTING_ADDRTYPE_A, kSmtp);
  row.AddText(PR_SENT_REPRESENTING_EMAIL_ADDRESS_A, address);
  row.AddBinary(PR_SENT_REPRESENTING_ENTRYID, entryId.lpb, entryId.cb);
  row.AddBinary(PR_SENT_REPRESENTING_SEARCH_KEY, searchKey.data(),
                static_cast<ULONG>(searchKey.size()));
  return row;
}

bool IsIdentityAddress(const SPropValue* values, ULONG count, const std::string& address) {
  for (ULONG tag : {PR_SMTP_ADDRESS_A, PR_EMAIL_ADDRESS_A}) {
    const SPropValue* known = FindValue(values, count, tag);
    if (known != nullptr && known->Value.lpszA != nullptr && *known->Value.lpszA != '\0' &&
        platform::EqualsIgnoringAsciiCase(known->Value.lpszA, address)) {
      return true;
    }
  }
  return false;
}

PropertyRow SubjectRow(const char* subject) {
  PropertyRow row;
  row.AddText(PR_SUBJECT_A, subject != nullptr ? subject : "");
  return row;
}

PropertyRow BodyRow(const char* body) {
  PropertyRow row;
  row.AddText(PR_BODY_A, mail::LineBreaksAs(body != nullptr ? body : "", "\r\n"));
  return row;
}

PropertyRow AttachmentRow(const char* path, const char* name) {
  // An empty name would give the user a nameless attachment: the file's own
  // name serves better.
  const std::string shown =
      name != nullptr && *name != '\0'
          ? name
          : std::string(mail::WindowsFileNameAfterDrive(path != nullptr ? path : ""));
  PropertyRow row;
  row.AddLong(PR_ATTACH_METHOD, ATTACH_BY_VALUE);
  row.AddText(PR_ATTACH_FILENAME_A, shown);
  row.AddText(PR_ATTACH_LONG_FILENAME_A, shown);
  row.AddText(PR_DISPLAY_NAME_A, shown);
  const std::string extension = ExtensionOf(shown);
  if (!extension.empty()) row.AddText(PR_ATTACH_EXTENSION_A, extension);
  // Not placed anywhere in the body: clients list it with the attachments.
  row.AddLong(PR_RENDERING_POSITION, -1);
  return row;
}

SCODE NewResolveList(const Buffers& buffers, const char* text, ULONG recipientClass,
                     LPADRLIST* list) {
  PropertyRow row;
  row.AddText(PR_DISPLAY_NAME_A, text != nullptr ? text : "");
  row.AddLong(PR_RECIPIENT_TYPE, static_cast<LONG>(recipientClass));
  return NewListOf(buffers, row, list);
}

SCODE NewOneOffList(const Buffers& buffers, const RecipientText& recipient, ULONG recipientClass,
                    const SBinary* entryId, LPADRLIST* list) {
  PropertyRow row;
  row.AddText(PR_DISPLAY_NAME_A, recipient.name);
  row.AddText(PR_ADDRTYPE_A, kSmtp);
  row.AddText(PR_EMAIL_ADDRESS_A, recipient.address);
  row.AddLong(PR_RECIPIENT_TYPE, static_cast<LONG>(recipientClass));
  // Plain Internet mail: the recipient's client may not read MAPI's own
  // rich-text attachment.
  row.AddBoolean(PR_SEND_RICH_INFO, false);
  if (entryId != nullptr && entryId->cb != 0) row.AddBinary(PR_ENTRYID, entryId->lpb, entryId->cb);
  return NewListOf(buffers, row, list);
}

SCODE SetRecipientClass(const Buffers& buffers, ADRENTRY* entry, ULONG recipientClass,
                        LPVOID* kept) {
  *kept = nullptr;
  for (ULONG i = 0; i < entry->cValues; ++i) {
    SPropValue& v = entry->rgPropVals[i];
    // Also an error value in its place, which says only that it is missing.
    if (PROP_ID(v.ulPropTag) == PROP_ID(PR_RECIPIENT_TYPE)) {
      v.ulPropTag = PR_RECIPIENT_TYPE;
      v.Value.l = static_cast<LONG>(recipientClass);
      return S_OK;
    }
  }
  LPVOID block = nullptr;
  const SCODE result = buffers.allocate((entry->cValues + 1) * sizeof(SPropValue), &block);
  if (FAILED(result)) return result;
  auto* values = static_cast<LPSPropValue>(block);
  for (ULONG i = 0; i < entry->cValues; ++i) values[i] = entry->rgPropVals[i];
  SPropValue& added = values[entry->cValues];
  added = SPropValue{};
  added.ulPropTag = PR_RECIPIENT_TYPE;
  added.Value.l = static_cast<LONG>(recipientClass);
  *kept = entry->rgPropVals;
  entry->rgPropVals = values;
  entry->cValues += 1;
  return S_OK;
}

void FreeAddressList(const Buffers& buffers, LPADRLIST list) {
  if (list == nullptr) return;
  for (ULONG i = 0; i < list->cEntries; ++i) {
    if (list->aEntries[i].rgPropVals != nullptr) buffers.free(list->aEntries[i].rgPropVals);
  }
  buffers.free(list);
}

void FreeRowSet(const Buffers& buffers, LPSRowSet rows) {
  if (rows == nullptr) return;
  for (ULONG i = 0; i < rows->cRows; ++i) {
    if (rows->aRow[i].lpProps != nullptr) buffers.free(rows->aRow[i].lpProps);
  }
  buffers.free(rows);
}

const SPropValue* FindValue(const SPropValue* values, ULONG count, ULONG tag) {
  if (values == nullptr) return nullptr;
  for (ULONG i = 0; i < count; ++i) {
    if (values[i].ulPropTag == tag) return &values[i];
  }
  return nullptr;
}

const SPropValue* FindValue(const SRow& row, ULONG tag) {
  return FindValue(row.lpProps, row.cValues, tag);
}

std::vector<BYTE> StoreEntryId(const SRowSet& rows, const char* name) {
  for (ULONG i = 0; i < rows.cRows; ++i) {
    const SRow& row = rows.aRow[i];
    bool wanted = false;
    if (name == nullptr) {
      const SPropValue* isDefault = FindValue(row, PR_DEFAULT_STORE);
      wanted = isDefault != nullptr && isDefault->Value.b != 0;
    } else {
      const SPropValue* shown = FindValue(row, PR_DISPLAY_NAME_A);
      wanted = shown != nullptr && shown->Value.lpszA != nullptr &&
               platform::EqualsIgnoringAsciiCase(shown->Value.lpszA, name);
    }
    const SPropValue* id = FindValue(row, PR_ENTRYID);
    if (wanted && id != nullptr && id->Value.bin.cb != 0 && id->Value.bin.lpb != nullptr) {
      return std::vector<BYTE>(id->Value.bin.lpb, id->Value.bin.lpb + id->Value.bin.cb);
    }
  }
  return std::vector<BYTE>();
}

bool ProfileName(const SRowSet& rows, std::string* name) {
  for (ULONG i = 0; i < rows.cRows; ++i) {
    const SPropValue* type = FindValue(rows.aRow[i], PR_RESOURCE_TYPE);
    const SPropValue* shown = FindValue(rows.aRow[i], PR_DISPLAY_NAME_A);
    if (type != nullptr && type->Value.ul == MAPI_SUBSYSTEM && shown != nullptr &&
        shown->Value.lpszA != nullptr) {
      *name = shown->Value.lpszA;
      return true;
    }
  }
  return false;
}

FormArguments FormArgumentsFrom(const SPropValue* values, ULONG count) {
  FormArguments form{0, MSGFLAG_UNSENT, MAPI_ACCESS_MODIFY | MAPI_ACCESS_READ | MAPI_ACCESS_DELETE,
                     kNote};
  for (ULONG i = 0; values != nullptr && i < count; ++i) {
    const SPropValue& v = values[i];
    switch (v.ulPropTag) {
      case PR_MSG_STATUS:
        form.status = v.Value.ul;
        break;
      case PR_MESSAGE_FLAGS:
        form.flags = v.Value.ul;
        break;
      case PR_ACCESS:
        form.access = v.Value.ul;
        break;
      case PR_MESSAGE_CLASS_A:
        if (v.Value.lpszA != nullptr && *v.Value.lpszA != '\0') form.messageClass = v.Value.lpszA;
        break;
      default:
        break;
    }
  }
  return form;
}

int FormOutcome(HRESULT shown, HRESULT reopened, const SPropValue* messageFlags) {
  if (shown == MAPI_E_USER_CANCEL) return 2;
  if (FAILED(shown)) return 0;
  if (reopened == MAPI_E_NOT_FOUND || reopened == MAPI_E_OBJECT_DELETED) return 1;
  // Whether the user sent it cannot be told: never reported as sent.
  if (FAILED(reopened) || messageFlags == nullptr) return 0;
  return (messageFlags->Value.ul & MSGFLAG_SUBMIT) != 0 ? 1 : 2;
}

}  // namespace j6::mapiex
