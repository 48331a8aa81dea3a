// What the Windows wrapper hands MAPI, checked without a MAPI session.
#include "mapiex/message_rows_win32.h"

#include <gtest/gtest.h>

#include <mapicode.h>
#include <mapitags.h>
#include <mapix.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "tests/mapiex/fake_buffers_win32.h"
#include "tests/support/recipient_grammar.h"

namespace j6::mapiex {
namespace {

using test::FakeBuffers;

std::string TextOf(const SPropValue* value) {
  return value != nullptr && value->Value.lpszA != nullptr ? value->Value.lpszA : "<none>";
}

std::vector<BYTE> BytesOf(const SPropValue* value) {
  if (value == nullptr) return {};
  return std::vector<BYTE>(value->Value.bin.lpb, value->Value.bin.lpb + value->Value.bin.cb);
}

/// Every buffer the fake handed out is freed, by the rules, after each test.
class Rows : public ::testing::Test {
 protected:
  void SetUp() override { FakeBuffers::Reset(); }
  void TearDown() override {
    EXPECT_EQ(FakeBuffers::live(), 0u) << "buffers left allocated";
    EXPECT_EQ(FakeBuffers::breaches(), 0) << "buffer calls against MAPI's rules";
    FakeBuffers::Reset();
  }
  const Buffers buffers_ = FakeBuffers::Functions();
};

// ------------------------------------------------------------- numbers ---

TEST(RecipientClass, IsToCcOrBccForOneTwoThree) {
  const struct {
    int type;
    ULONG recipientClass;
  } cases[] = {
      {1, MAPI_TO}, {2, MAPI_CC}, {3, MAPI_BCC}, {0, 0}, {4, 0}, {-1, 0}, {0x10000001, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(RecipientClass(c.type), c.recipientClass) << c.type;
}

TEST(FormOutcome, SentOnlyWhenSubmittedOrGoneFromTheOutbox) {
  const ULONG kUnread = MSGFLAG_UNSENT | MSGFLAG_UNMODIFIED;
  const struct {
    HRESULT shown;
    HRESULT reopened;
    bool hasFlags;
    ULONG flags;
    int outcome;
  } cases[] = {
      {S_OK, S_OK, true, MSGFLAG_UNSENT | MSGFLAG_SUBMIT, 1},
      {S_OK, S_OK, true, MSGFLAG_SUBMIT, 1},
      {MAPI_W_ERRORS_RETURNED, S_OK, true, MSGFLAG_UNSENT | MSGFLAG_SUBMIT, 1},  // a warning ends
      {S_OK, MAPI_W_ERRORS_RETURNED, true, MSGFLAG_SUBMIT, 1},
      {S_OK, MAPI_E_NOT_FOUND, false, 0, 1},  // the spooler has taken it
      {S_OK, MAPI_E_OBJECT_DELETED, false, 0, 1},
      {S_OK, S_OK, true, MSGFLAG_UNSENT, 2},  // shown, and closed unsent
      {S_OK, S_OK, true, kUnread, 2},
      {S_OK, S_OK, false, 0, 0},  // no flags: who knows
      {S_OK, MAPI_E_CALL_FAILED, false, 0, 0},
      {S_OK, MAPI_E_NO_ACCESS, true, MSGFLAG_SUBMIT, 0},
      {MAPI_E_USER_CANCEL, S_OK, false, 0, 2},
      {MAPI_E_CALL_FAILED, S_OK, true, MSGFLAG_SUBMIT, 0},
      {MAPI_E_NO_SUPPORT, S_OK, false, 0, 0},
      {E_FAIL, MAPI_E_NOT_FOUND, false, 0, 0},
      {MAPI_E_NOT_FOUND, S_OK, false, 0, 0},
  };
  for (const auto& c : cases) {
    SPropValue flags{};
    flags.ulPropTag = PR_MESSAGE_FLAGS;
    flags.Value.ul = c.flags;
    EXPECT_EQ(FormOutcome(c.shown, c.reopened, c.hasFlags ? &flags : nullptr), c.outcome)
        << std::hex << static_cast<ULONG>(c.shown) << " " << static_cast<ULONG>(c.reopened) << " "
        << c.flags;
  }
}

// --------------------------------------------------------------- texts ---

TEST(ExtensionOf, IsTheLastDotAndWhatFollows) {
  const struct {
    const char* name;
    const char* extension;
  } cases[] = {
      {"report.pdf", ".pdf"}, {"archive.tar.gz", ".gz"}, {"README", ""},
      {".profile", ""},       {"trailing.", ""},         {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtensionOf(c.name), c.extension) << c.name;
}

TEST(ParseRecipient, SplitsNameAndAddress) {
  const struct {
    const char* text;
    const char* name;
    const char* address;
  } cases[] = {
      {"anna@example.com", "anna@example.com", "anna@example.com"},
      {"  anna@example.com  ", "anna@example.com", "anna@example.com"},
      {"Anna Rossi <anna@example.com>", "Anna Rossi", "anna@example.com"},
      {"\"Rossi, Anna\" <anna@example.com>", "Rossi, Anna", "anna@example.com"},
      {"<anna@example.com>", "anna@example.com", "anna@example.com"},
      {"SMTP:anna@example.com", "anna@example.com", "anna@example.com"},
      {"smtp:anna@example.com", "anna@example.com", "anna@example.com"},
      {"Anna <SMTP:anna@example.com>", "Anna", "anna@example.com"},
      {"Anna Rossi", "Anna Rossi", "Anna Rossi"},  // the mail client decides
      {"", "", ""},
      {nullptr, "", ""},
  };
  for (const auto& c : cases) {
    const RecipientText parsed = ParseRecipient(c.text);
    const char* shown = c.text != nullptr ? c.text : "null";
    EXPECT_EQ(parsed.name, c.name) << shown;
    EXPECT_EQ(parsed.address, c.address) << shown;
  }
  // As the SMTP sender reads them; what it refuses is left to the rule below.
  for (const j6::test::RecipientPiece& row : j6::test::kRecipientPieces) {
    if (row.address == nullptr) continue;
    const RecipientText parsed = ParseRecipient(row.piece);
    EXPECT_EQ(parsed.name, *row.name != '\0' ? row.name : row.address) << row.piece;
    EXPECT_EQ(parsed.address, row.address) << row.piece;
  }
}

// -------------------------------------------------------- message rows ---

TEST(PropertyRow, ValuesPointIntoTheRowAfterGrowingAndMoving) {
  PropertyRow row;
  std::vector<std::string> texts;
  for (int i = 0; i < 40; ++i) {
    texts.push_back("text number " + std::to_string(i));
    row.AddText(PROP_TAG(PT_STRING8, 0x6000 + i), texts.back());
    const BYTE bytes[] = {static_cast<BYTE>(i), 1, 2};
    row.AddBinary(PROP_TAG(PT_BINARY, 0x6100 + i), bytes, sizeof bytes);
  }
  PropertyRow moved(std::move(row));
  ASSERT_EQ(moved.count(), 80u);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(TextOf(moved.Find(PROP_TAG(PT_STRING8, 0x6000 + i))), texts[i]);
    EXPECT_EQ(BytesOf(moved.Find(PROP_TAG(PT_BINARY, 0x6100 + i))),
              (std::vector<BYTE>{static_cast<BYTE>(i), 1, 2}));
  }
}

TEST(NewMessageRow, IsAnUnsentNoteOfNormalImportance) {
  const PropertyRow row = NewMessageRow(nullptr);
  EXPECT_EQ(TextOf(row.Find(PR_MESSAGE_CLASS_A)), "IPM.Note");
  ASSERT_NE(row.Find(PR_IMPORTANCE), nullptr);
  EXPECT_EQ(row.Find(PR_IMPORTANCE)->Value.l, IMPORTANCE_NORMAL);
  ASSERT_NE(row.Find(PR_MESSAGE_FLAGS), nullptr);
  EXPECT_EQ(row.Find(PR_MESSAGE_FLAGS)->Value.ul, static_cast<ULONG>(MSGFLAG_UNSENT));
  EXPECT_EQ(row.Find(PR_SENTMAIL_ENTRYID), nullptr);
}

TEST(NewMessageRow, KeepsACopyInTheSentItemsWhenThereAreSome) {
  std::vector<BYTE> folder = {0, 0, 0, 0, 0x38, 0xA1, 0xBB, 0x10, 7};
  SBinary sentItems{static_cast<ULONG>(folder.size()), folder.data()};
  const PropertyRow row = NewMessageRow(&sentItems);
  folder.assign(folder.size(), 0xEE);  // the row keeps its own copy
  EXPECT_EQ(BytesOf(row.Find(PR_SENTMAIL_ENTRYID)),
            (std::vector<BYTE>{0, 0, 0, 0, 0x38, 0xA1, 0xBB, 0x10, 7}));

  SBinary none{0, nullptr};
  EXPECT_EQ(NewMessageRow(&none).Find(PR_SENTMAIL_ENTRYID), nullptr);
}

TEST(RepresentedSenderRow, IsTheWholeGroupAndNoSenderProperty) {
  BYTE id[] = {0, 0, 0, 0, 0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19};
  const PropertyRow row =
      RepresentedSenderRow("Ufficio Vendite", "Vendite@Example.com", SBinary{sizeof id, id});
  EXPECT_EQ(row.count(), 5u);
  EXPECT_EQ(TextOf(row.Find(PR_SENT_REPRESENTING_NAME_A)), "Ufficio Vendite");
  EXPECT_EQ(TextOf(row.Find(PR_SENT_REPRESENTING_ADDRTYPE_A)), "SMTP");
  EXPECT_EQ(TextOf(row.Find(PR_SENT_REPRESENTING_EMAIL_ADDRESS_A)), "Vendite@Example.com");
  EXPECT_EQ(BytesOf(row.Find(PR_SENT_REPRESENTING_ENTRYID)), std::vector<BYTE>(id, id + sizeof id));
  // Upper case, with its zero: the key compares byte for byte.
  const std::string key = "SMTP:VENDITE@EXAMPLE.COM";
  std::vector<BYTE> expected(key.begin(), key.end());
  expected.push_back(0);
  EXPECT_EQ(BytesOf(row.Find(PR_SENT_REPRESENTING_SEARCH_KEY)), expected);
  EXPECT_EQ(SmtpSearchKey("Vendite@Example.com"), expected);
}

TEST(SubjectAndBodyRows, BodyGetsCrLf) {
  EXPECT_EQ(TextOf(SubjectRow("Fattura 12").Find(PR_SUBJECT_A)), "Fattura 12");
  EXPECT_EQ(TextOf(SubjectRow(nullptr).Find(PR_SUBJECT_A)), "");
  const char* body = "Gentile cliente,\nin allegato.\n\nSaluti";
  EXPECT_EQ(TextOf(BodyRow(body).Find(PR_BODY_A)),
            "Gentile cliente,\r\nin allegato.\r\n\r\nSaluti");
  EXPECT_EQ(TextOf(BodyRow(body).Find(PR_BODY_A)).find("\r\n"), 16u);
  EXPECT_EQ(TextOf(BodyRow(nullptr).Find(PR_BODY_A)), "");
}

TEST(AttachmentRow, ByValueNamedAsAskedOrAfterTheFile) {
  const struct {
    const char* path;
    const char* name;
    const char* shown;
    const char* extension;  // null: none set
  } cases[] = {
      {"C:\\Temp\\J6\\0001.tmp", "Fattura 12.pdf", "Fattura 12.pdf", ".pdf"},
      {"C:\\Doc\\listino.xls", nullptr, "listino.xls", ".xls"},
      {"C:\\Doc\\listino.xls", "", "listino.xls", ".xls"},
      {"\\\\srv\\share\\LEGGIMI", nullptr, "LEGGIMI", nullptr},
      {"C:report.pdf", nullptr, "report.pdf", ".pdf"},
      {nullptr, nullptr, "", nullptr},
  };
  for (const auto& c : cases) {
    const PropertyRow row = AttachmentRow(c.path, c.name);
    SCOPED_TRACE(c.path);
    ASSERT_NE(row.Find(PR_ATTACH_METHOD), nullptr);
    EXPECT_EQ(row.Find(PR_ATTACH_METHOD)->Value.ul, static_cast<ULONG>(ATTACH_BY_VALUE));
    EXPECT_EQ(TextOf(row.Find(PR_ATTACH_FILENAME_A)), c.shown);
    EXPECT_EQ(TextOf(row.Find(PR_ATTACH_LONG_FILENAME_A)), c.shown);
    EXPECT_EQ(TextOf(row.Find(PR_DISPLAY_NAME_A)), c.shown);
    if (c.extension != nullptr) {
      EXPECT_EQ(TextOf(row.Find(PR_ATTACH_EXTENSION_A)), c.extension);
    } else {
      EXPECT_EQ(row.Find(PR_ATTACH_EXTENSION_A), nullptr);
    }
    ASSERT_NE(row.Find(PR_RENDERING_POSITION), nullptr);
    EXPECT_EQ(row.Find(PR_RENDERING_POSITION)->Value.l, -1);
    EXPECT_EQ(row.Find(PR_ATTACH_DATA_BIN), nullptr);  // streamed in afterwards
  }
}

// ------------------------------------------------------ address lists ---

TEST_F(Rows, ResolveListIsOneEntryWithValuesOfTheirOwn) {
  for (int type : {1, 2, 3}) {
    LPADRLIST list = nullptr;
    ASSERT_EQ(NewResolveList(buffers_, "Anna Rossi", RecipientClass(type), &list), S_OK);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->cEntries, 1u);
    const ADRENTRY& entry = list->aEntries[0];
    EXPECT_EQ(entry.ulReserved1, 0u);
    SRow row{0, entry.cValues, entry.rgPropVals};
    EXPECT_EQ(entry.cValues, 2u);
    EXPECT_EQ(TextOf(FindValue(row, PR_DISPLAY_NAME_A)), "Anna Rossi");
    ASSERT_NE(FindValue(row, PR_RECIPIENT_TYPE), nullptr);
    EXPECT_EQ(FindValue(row, PR_RECIPIENT_TYPE)->Value.ul, RecipientClass(type));
    // ResolveName frees and replaces an entry's values: they must be a
    // buffer of their own, and the name must go with them.
    EXPECT_TRUE(FakeBuffers::IsTop(list));
    EXPECT_TRUE(FakeBuffers::IsTop(entry.rgPropVals));
    EXPECT_EQ(FakeBuffers::ParentOf(FindValue(row, PR_DISPLAY_NAME_A)->Value.lpszA),
              entry.rgPropVals);
    FreeAddressList(buffers_, list);
  }
}

TEST_F(Rows, OneOffListIsAnSmtpRecipient) {
  BYTE id[] = {0, 0, 0, 0, 0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19};
  SBinary entryId{sizeof id, id};
  const RecipientText recipient = ParseRecipient("Anna Rossi <anna@example.com>");
  for (const SBinary* given :
       {static_cast<const SBinary*>(&entryId), static_cast<const SBinary*>(nullptr)}) {
    LPADRLIST list = nullptr;
    ASSERT_EQ(NewOneOffList(buffers_, recipient, MAPI_CC, given, &list), S_OK);
    ASSERT_EQ(list->cEntries, 1u);
    SRow row{0, list->aEntries[0].cValues, list->aEntries[0].rgPropVals};
    EXPECT_EQ(TextOf(FindValue(row, PR_DISPLAY_NAME_A)), "Anna Rossi");
    EXPECT_EQ(TextOf(FindValue(row, PR_ADDRTYPE_A)), "SMTP");
    EXPECT_EQ(TextOf(FindValue(row, PR_EMAIL_ADDRESS_A)), "anna@example.com");
    ASSERT_NE(FindValue(row, PR_RECIPIENT_TYPE), nullptr);
    EXPECT_EQ(FindValue(row, PR_RECIPIENT_TYPE)->Value.ul, static_cast<ULONG>(MAPI_CC));
    ASSERT_NE(FindValue(row, PR_SEND_RICH_INFO), nullptr);
    EXPECT_EQ(FindValue(row, PR_SEND_RICH_INFO)->Value.b, 0);
    const SPropValue* idValue = FindValue(row, PR_ENTRYID);
    if (given != nullptr) {
      ASSERT_NE(idValue, nullptr);
      EXPECT_EQ(BytesOf(idValue), std::vector<BYTE>(id, id + sizeof id));
      EXPECT_NE(idValue->Value.bin.lpb, id);  // a copy, in the list's buffers
      EXPECT_EQ(FakeBuffers::ParentOf(idValue->Value.bin.lpb), list->aEntries[0].rgPropVals);
    } else {
      EXPECT_EQ(idValue, nullptr);
    }
    FreeAddressList(buffers_, list);
  }
}

TEST_F(Rows, ListsLeakNothingWhenAnAllocationFails) {
  const RecipientText recipient = ParseRecipient("anna@example.com");
  BYTE id[] = {1, 2, 3};
  SBinary entryId{sizeof id, id};
  const struct {
    const char* what;
    SCODE (*make)(const Buffers&, const RecipientText&, const SBinary*, LPADRLIST*);
  } makers[] = {
      {"resolve list",
       [](const Buffers& b, const RecipientText& r, const SBinary*, LPADRLIST* made) {
         return NewResolveList(b, r.name.c_str(), MAPI_TO, made);
       }},
      {"one-off list", [](const Buffers& b, const RecipientText& r, const SBinary* given,
                          LPADRLIST* made) { return NewOneOffList(b, r, MAPI_TO, given, made); }},
  };
  for (const auto& maker : makers) {
    SCOPED_TRACE(maker.what);
    FakeBuffers::Reset();
    LPADRLIST list = nullptr;
    ASSERT_EQ(maker.make(buffers_, recipient, &entryId, &list), S_OK);
    FreeAddressList(buffers_, list);
    const int needed = FakeBuffers::allocations();
    ASSERT_GT(needed, 2);
    for (int failing = 0; failing < needed; ++failing) {
      FakeBuffers::Reset();
      FakeBuffers::FailAllocation(failing);
      list = reinterpret_cast<LPADRLIST>(&list);  // must be cleared
      EXPECT_EQ(maker.make(buffers_, recipient, &entryId, &list), MAPI_E_NOT_ENOUGH_MEMORY)
          << "allocation " << failing;
      EXPECT_EQ(list, nullptr);
      EXPECT_EQ(FakeBuffers::live(), 0u) << "allocation " << failing;
    }
  }
}

/// An entry as the address book hands it back from ResolveName: values in a
/// buffer of their own, texts and bytes hanging off it.
LPADRLIST ResolvedList(const Buffers& b, const std::vector<ULONG>& extraTags) {
  LPVOID block = nullptr;
  b.allocate(CbNewADRLIST(1), &block);
  auto* list = static_cast<LPADRLIST>(block);
  list->cEntries = 1;
  list->aEntries[0].ulReserved1 = 0;
  const ULONG count = 3 + static_cast<ULONG>(extraTags.size());
  b.allocate(count * sizeof(SPropValue), &block);
  auto* values = static_cast<LPSPropValue>(block);
  LPVOID text = nullptr;
  b.allocateMore(11, values, &text);
  std::memcpy(text, "Anna Rossi", 11);
  values[0] = SPropValue{};
  values[0].ulPropTag = PR_DISPLAY_NAME_A;
  values[0].Value.lpszA = static_cast<LPSTR>(text);
  LPVOID id = nullptr;
  b.allocateMore(4, values, &id);
  std::memcpy(id, "\x01\x02\x03\x04", 4);
  values[1] = SPropValue{};
  values[1].ulPropTag = PR_ENTRYID;
  values[1].Value.bin = SBinary{4, static_cast<LPBYTE>(id)};
  values[2] = SPropValue{};
  values[2].ulPropTag = PR_OBJECT_TYPE;
  values[2].Value.l = MAPI_MAILUSER;
  for (size_t i = 0; i < extraTags.size(); ++i) {
    values[3 + i] = SPropValue{};
    values[3 + i].ulPropTag = extraTags[i];
    values[3 + i].Value.l = PROP_TYPE(extraTags[i]) == PT_ERROR ? MAPI_E_NOT_FOUND : MAPI_TO;
  }
  list->aEntries[0].cValues = count;
  list->aEntries[0].rgPropVals = values;
  return list;
}

TEST_F(Rows, RecipientClassIsSetInPlaceWhenTheEntryHasOne) {
  const ULONG tags[] = {PR_RECIPIENT_TYPE, CHANGE_PROP_TYPE(PR_RECIPIENT_TYPE, PT_ERROR)};
  for (ULONG tag : tags) {
    LPADRLIST list = ResolvedList(buffers_, {tag});
    const LPSPropValue before = list->aEntries[0].rgPropVals;
    LPVOID kept = &kept;
    ASSERT_EQ(SetRecipientClass(buffers_, &list->aEntries[0], MAPI_BCC, &kept), S_OK);
    EXPECT_EQ(kept, nullptr);
    EXPECT_EQ(list->aEntries[0].rgPropVals, before);
    EXPECT_EQ(list->aEntries[0].cValues, 4u);
    SRow row{0, list->aEntries[0].cValues, list->aEntries[0].rgPropVals};
    ASSERT_NE(FindValue(row, PR_RECIPIENT_TYPE), nullptr) << std::hex << tag;
    EXPECT_EQ(FindValue(row, PR_RECIPIENT_TYPE)->Value.ul, static_cast<ULONG>(MAPI_BCC));
    FreeAddressList(buffers_, list);
  }
}

TEST_F(Rows, RecipientClassIsAddedWhenTheEntryLacksIt) {
  LPADRLIST list = ResolvedList(buffers_, {});
  const LPSPropValue before = list->aEntries[0].rgPropVals;
  LPVOID kept = nullptr;
  ASSERT_EQ(SetRecipientClass(buffers_, &list->aEntries[0], MAPI_CC, &kept), S_OK);
  EXPECT_EQ(kept, before);
  EXPECT_NE(list->aEntries[0].rgPropVals, before);
  EXPECT_TRUE(FakeBuffers::IsTop(list->aEntries[0].rgPropVals));
  ASSERT_EQ(list->aEntries[0].cValues, 4u);
  SRow row{0, list->aEntries[0].cValues, list->aEntries[0].rgPropVals};
  EXPECT_EQ(TextOf(FindValue(row, PR_DISPLAY_NAME_A)), "Anna Rossi");
  EXPECT_EQ(BytesOf(FindValue(row, PR_ENTRYID)), (std::vector<BYTE>{1, 2, 3, 4}));
  ASSERT_NE(FindValue(row, PR_RECIPIENT_TYPE), nullptr);
  EXPECT_EQ(FindValue(row, PR_RECIPIENT_TYPE)->Value.ul, static_cast<ULONG>(MAPI_CC));
  FreeAddressList(buffers_, list);
  EXPECT_EQ(FakeBuffers::live(), 3u);  // the kept values, their text and bytes
  buffers_.free(kept);
}

TEST_F(Rows, RecipientClassLeavesTheEntryAloneWhenItCannotGrow) {
  LPADRLIST list = ResolvedList(buffers_, {});
  FakeBuffers::FailAllocation(FakeBuffers::allocations());
  LPVOID kept = &kept;
  EXPECT_EQ(SetRecipientClass(buffers_, &list->aEntries[0], MAPI_CC, &kept),
            MAPI_E_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(kept, nullptr);
  EXPECT_EQ(list->aEntries[0].cValues, 3u);
  FreeAddressList(buffers_, list);
}

TEST_F(Rows, FreeingARowSetFreesEachRowAndTheSet) {
  for (ULONG count : {0u, 1u, 5u}) {
    LPVOID block = nullptr;
    buffers_.allocate(CbNewSRowSet(count), &block);
    auto* rows = static_cast<LPSRowSet>(block);
    rows->cRows = count;
    for (ULONG i = 0; i < count; ++i) {
      buffers_.allocate(sizeof(SPropValue), &block);
      rows->aRow[i] = SRow{0, 1, static_cast<LPSPropValue>(block)};
    }
    FreeRowSet(buffers_, rows);
    EXPECT_EQ(FakeBuffers::live(), 0u) << count << " rows";
  }
  FreeRowSet(buffers_, nullptr);
  FreeAddressList(buffers_, nullptr);
}

// --------------------------------------------------------------- tables ---

/// A chunk of table rows built by hand; values may be error values, as
/// providers return for a column a row lacks.
class Table {
 public:
  Table& Row(std::vector<SPropValue> values) {
    rows_.push_back(std::move(values));
    return *this;
  }
  SPropValue Text(ULONG tag, const char* text) {
    texts_.emplace_back(text);
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.lpszA = texts_.back().data();
    return v;
  }
  SPropValue Binary(ULONG tag, std::vector<BYTE> bytes) {
    bytes_.push_back(std::move(bytes));
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.bin = SBinary{static_cast<ULONG>(bytes_.back().size()), bytes_.back().data()};
    return v;
  }
  static SPropValue Long(ULONG tag, LONG value) {
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.l = value;
    return v;
  }
  static SPropValue Boolean(ULONG tag, bool value) {
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.b = value ? 1 : 0;
    return v;
  }
  static SPropValue Missing(ULONG tag) {
    SPropValue v{};
    v.ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
    v.Value.err = MAPI_E_NOT_FOUND;
    return v;
  }
  const SRowSet& Chunk() {
    storage_.assign(CbNewSRowSet(rows_.size()) / sizeof(ULONG_PTR) + 1, 0);
    auto* set = reinterpret_cast<LPSRowSet>(storage_.data());
    set->cRows = static_cast<ULONG>(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) {
      set->aRow[i] = SRow{0, static_cast<ULONG>(rows_[i].size()), rows_[i].data()};
    }
    return *set;
  }

 private:
  std::deque<std::string> texts_;
  std::deque<std::vector<BYTE>> bytes_;
  std::vector<std::vector<SPropValue>> rows_;
  std::vector<ULONG_PTR> storage_;
};

TEST(StoreEntryId, IsTheDefaultStoreOrTheOneNamed) {
  Table stores;
  stores
      .Row({stores.Binary(PR_ENTRYID, {1, 1}), Table::Boolean(PR_DEFAULT_STORE, false),
            stores.Text(PR_DISPLAY_NAME_A, "Archivio")})
      .Row({stores.Binary(PR_ENTRYID, {2, 2}), Table::Boolean(PR_DEFAULT_STORE, true),
            stores.Text(PR_DISPLAY_NAME_A, "Cassetta postale - Anna")})
      .Row({stores.Binary(PR_ENTRYID, {3, 3}), Table::Missing(PR_DEFAULT_STORE),
            stores.Text(PR_DISPLAY_NAME_A, "Cartelle pubbliche")});
  const SRowSet& chunk = stores.Chunk();
  const struct {
    const char* name;
    std::vector<BYTE> id;
  } cases[] = {
      {nullptr, {2, 2}}, {"Archivio", {1, 1}}, {"ARCHIVIO", {1, 1}}, {"cartelle pubbliche", {3, 3}},
      {"Archivio ", {}}, {"Altro", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StoreEntryId(chunk, c.name), c.id) << (c.name != nullptr ? c.name : "default");
  }
}

TEST(StoreEntryId, NeedsARowThatIsDefaultAndHasAnIdentifier) {
  Table noDefault;
  noDefault.Row({noDefault.Binary(PR_ENTRYID, {1}), Table::Boolean(PR_DEFAULT_STORE, false)})
      .Row({noDefault.Binary(PR_ENTRYID, {2}), Table::Missing(PR_DEFAULT_STORE)});
  EXPECT_TRUE(StoreEntryId(noDefault.Chunk(), nullptr).empty());

  Table noIdentifier;
  noIdentifier.Row({Table::Missing(PR_ENTRYID), Table::Boolean(PR_DEFAULT_STORE, true)})
      .Row({noIdentifier.Binary(PR_ENTRYID, {}), Table::Boolean(PR_DEFAULT_STORE, true)});
  EXPECT_TRUE(StoreEntryId(noIdentifier.Chunk(), nullptr).empty());

  Table empty;
  EXPECT_TRUE(StoreEntryId(empty.Chunk(), nullptr).empty());
}

TEST(ProfileName, IsTheDisplayNameOfTheSubsystemRow) {
  Table status;
  status
      .Row({status.Text(PR_DISPLAY_NAME_A, "Microsoft Exchange"),
            Table::Long(PR_RESOURCE_TYPE, MAPI_TRANSPORT_PROVIDER)})
      .Row({status.Text(PR_DISPLAY_NAME_A, "Spooler"), Table::Long(PR_RESOURCE_TYPE, MAPI_SPOOLER)})
      .Row({Table::Long(PR_RESOURCE_TYPE, MAPI_SUBSYSTEM),
            status.Text(PR_DISPLAY_NAME_A, "Profilo J6")});
  std::string name;
  ASSERT_TRUE(ProfileName(status.Chunk(), &name));
  EXPECT_EQ(name, "Profilo J6");

  Table without;
  without
      .Row(
          {without.Text(PR_DISPLAY_NAME_A, "Spooler"), Table::Long(PR_RESOURCE_TYPE, MAPI_SPOOLER)})
      .Row({Table::Missing(PR_DISPLAY_NAME_A), Table::Long(PR_RESOURCE_TYPE, MAPI_SUBSYSTEM)});
  name = "untouched";
  EXPECT_FALSE(ProfileName(without.Chunk(), &name));
  EXPECT_EQ(name, "untouched");
}

TEST(FormArguments, ComeFromTheMessageOrAsForANewNote) {
  Table message;
  message.Row({Table::Long(PR_ACCESS, MAPI_ACCESS_READ), message.Binary(PR_ENTRYID, {9}),
               Table::Long(PR_MESSAGE_FLAGS, MSGFLAG_UNSENT | MSGFLAG_READ),
               message.Text(PR_MESSAGE_CLASS_A, "IPM.Note.J6"),
               Table::Long(PR_MSG_STATUS, MSGSTATUS_HIGHLIGHTED)});
  const SRow& full = message.Chunk().aRow[0];
  const FormArguments read = FormArgumentsFrom(full.lpProps, full.cValues);
  EXPECT_EQ(read.access, static_cast<ULONG>(MAPI_ACCESS_READ));
  EXPECT_EQ(read.flags, static_cast<ULONG>(MSGFLAG_UNSENT | MSGFLAG_READ));
  EXPECT_EQ(read.messageClass, "IPM.Note.J6");
  EXPECT_EQ(read.status, static_cast<ULONG>(MSGSTATUS_HIGHLIGHTED));

  Table missing;
  missing.Row({Table::Missing(PR_ACCESS), Table::Missing(PR_MESSAGE_FLAGS),
               Table::Missing(PR_MESSAGE_CLASS_A), Table::Missing(PR_MSG_STATUS)});
  const SRow& none = missing.Chunk().aRow[0];
  for (const FormArguments& form :
       {FormArgumentsFrom(none.lpProps, none.cValues), FormArgumentsFrom(nullptr, 0)}) {
    EXPECT_EQ(form.status, 0u);
    EXPECT_EQ(form.flags, static_cast<ULONG>(MSGFLAG_UNSENT));
    EXPECT_EQ(form.access,
              static_cast<ULONG>(MAPI_ACCESS_MODIFY | MAPI_ACCESS_READ | MAPI_ACCESS_DELETE));
    EXPECT_EQ(form.messageClass, "IPM.Note");
  }
}

TEST(IsIdentityAddress, ComparesTheSmtpOrEmailAddressWithoutCase) {
  Table identities;
  identities
      .Row({identities.Text(PR_SMTP_ADDRESS_A, "Vendite@Example.com"),
            identities.Text(PR_EMAIL_ADDRESS_A, "/o=J6/ou=Vendite/cn=Recipients/cn=vendite")})
      .Row({Table::Missing(PR_SMTP_ADDRESS_A),
            identities.Text(PR_EMAIL_ADDRESS_A, "vendite@example.com")})
      .Row({Table::Missing(PR_SMTP_ADDRESS_A), Table::Missing(PR_EMAIL_ADDRESS_A)})
      .Row({identities.Text(PR_SMTP_ADDRESS_A, ""), identities.Text(PR_EMAIL_ADDRESS_A, "")});
  const SRowSet& chunk = identities.Chunk();
  const struct {
    ULONG row;
    const char* address;
    bool own;
  } cases[] = {
      {0, "vendite@example.com", true},
      {0, "VENDITE@EXAMPLE.COM", true},
      {0, "/o=J6/ou=Vendite/cn=Recipients/cn=vendite", true},
      {0, "acquisti@example.com", false},
      {0, "vendite@example.co", false},
      {1, "Vendite@example.com", true},
      {2, "vendite@example.com", false},  // an identity without addresses is someone else
      {3, "", false},
  };
  for (const auto& c : cases) {
    const SRow& row = chunk.aRow[c.row];
    EXPECT_EQ(IsIdentityAddress(row.lpProps, row.cValues, c.address), c.own)
        << c.row << " " << c.address;
  }
  EXPECT_FALSE(IsIdentityAddress(nullptr, 0, "vendite@example.com"));
}

}  // namespace
}  // namespace j6::mapiex
