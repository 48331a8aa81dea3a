// The two mail libraries as the program loads and calls them: by their
// Windows names, beside the executable, through their exported C functions.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "mapiex/mapiex.h"
#include "platform/dynamic_library.h"
#include "platform/simple_mapi_abi.h"
#include "tests/standins/eml_reader.h"
#include "tests/standins/outbox_fixture.h"

namespace j6::test {
namespace {

using mapi::MapiFileDesc;
using mapi::MapiMessage;
using mapi::MapiRecipDesc;

template <typename Function>
Function Entry(const platform::DynamicLibrary& library, const char* name) {
  return reinterpret_cast<Function>(library.Symbol(name));
}

class SimpleMapiStandIn : public OutboxTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Load("MAPI32.DLL")) << library_.error();
    send_ = Entry<mapi::MapiSendMailFunction>(library_, "MAPISendMail");
    ASSERT_NE(send_, nullptr);
  }
  mapi::ULONG Send(MapiMessage* message, mapi::FLAGS flags) {
    return send_(0, 0, message, flags, 0);
  }

  platform::DynamicLibrary library_;
  mapi::MapiSendMailFunction send_ = nullptr;
  // Simple MAPI takes writable texts.
  char mario_[6] = "Mario";
  char marioAddress_[23] = "SMTP:mario@example.com";
  char anna_[5] = "Anna";
  char annaAddress_[22] = "smtp:anna@example.com";
  char bob_[16] = "bob@example.com";
  char subject_[7] = "Report";
  char body_[16] = "Line 1\nLine 2\n";
  std::string path_ = PutOnDriveC("docs/report.pdf", "%PDF");
};

TEST_F(SimpleMapiStandIn, SendsOrSavesADraftByFlags) {
  const struct {
    mapi::FLAGS flags;
    std::optional<std::string> unsent;
  } cases[] = {{mapi::kMapiLogonUi, std::nullopt}, {mapi::kMapiLogonUi | mapi::kMapiDialog, "1"}};
  for (const auto& c : cases) {
    MapiRecipDesc originator{0, mapi::kMapiOrig, mario_, marioAddress_, 0, nullptr};
    MapiRecipDesc recipients[] = {{0, mapi::kMapiTo, anna_, annaAddress_, 0, nullptr},
                                  {0, mapi::kMapiTo, bob_, bob_, 0, nullptr}};
    MapiFileDesc files[] = {{0, 0, 0, path_.data(), nullptr, nullptr}};
    MapiMessage message{0, subject_,    body_, nullptr,    nullptr, nullptr,
                        0, &originator, 2,     recipients, 1,       files};
    ASSERT_EQ(Send(&message, c.flags), 0u) << c.flags;

    const std::vector<std::string> files_written = OutboxFiles(outbox_);
    ASSERT_EQ(files_written.size(), 1u);
    const std::optional<EmlMessage> eml = ReadEml(files_written[0]);
    ASSERT_TRUE(eml.has_value());
    EXPECT_EQ(eml->Header("X-Unsent"), c.unsent) << c.flags;
    EXPECT_EQ(eml->Header("From"), "Mario <mario@example.com>");
    EXPECT_EQ(eml->Header("To"), "Anna <anna@example.com>, bob@example.com");
    EXPECT_EQ(eml->Header("Subject"), "Report");
    EXPECT_EQ(eml->body, "Line 1\nLine 2\n");
    ASSERT_EQ(eml->attachments.size(), 1u);
    EXPECT_EQ(eml->attachments[0].name, "report.pdf");
    EXPECT_EQ(eml->attachments[0].bytes, "%PDF");
    std::filesystem::remove(files_written[0]);
  }
}

TEST_F(SimpleMapiStandIn, RefusesWhatItCannotDeliverAndWritesNothing) {
  char empty[1] = "";
  char smtpOnly[6] = "SMTP:";
  MapiRecipDesc anna{0, mapi::kMapiTo, anna_, annaAddress_, 0, nullptr};
  MapiRecipDesc nameLikeAddress{0, mapi::kMapiTo, bob_, nullptr, 0, nullptr};
  MapiRecipDesc prefixOnly{0, mapi::kMapiTo, anna_, smtpOnly, 0, nullptr};
  MapiFileDesc emptyPath{0, 0, 0, empty, nullptr, nullptr};
  MapiFileDesc nullPath{0, 0, 0, nullptr, nullptr, nullptr};
  const struct {
    const char* name;
    MapiRecipDesc* recipient;
    MapiFileDesc* file;
    mapi::FLAGS flags;
    mapi::ULONG result;
  } cases[] = {
      {"name holding @, no address", &nameLikeAddress, nullptr, 0, 14},
      {"address only SMTP:", &prefixOnly, nullptr, mapi::kMapiDialog, 14},
      {"empty path", &anna, &emptyPath, 0, 11},
      {"null path", &anna, &nullPath, mapi::kMapiDialog, 11},
      {"no recipient", nullptr, nullptr, mapi::kMapiLogonUi, 25},
  };
  for (const auto& c : cases) {
    MapiMessage message{0,           subject_,          body_,
                        nullptr,     nullptr,           nullptr,
                        0,           nullptr,           c.recipient != nullptr,
                        c.recipient, c.file != nullptr, c.file};
    EXPECT_EQ(Send(&message, c.flags), c.result) << c.name;
  }
  EXPECT_EQ(Send(nullptr, 0), 2u);
  MapiMessage countsWithoutArrays{0, subject_, body_, nullptr, nullptr, nullptr,
                                  0, nullptr,  1,     nullptr, 1,       nullptr};
  EXPECT_EQ(Send(&countsWithoutArrays, 0), 2u);
  EXPECT_EQ(OutboxEntries(), 0u);
}

/// The wrapper's functions, found by name as the program finds them.
struct MapiEx {
  /// False when any is missing.
  bool Find(const platform::DynamicLibrary& library) {
    bool all = true;
    const auto find = [&](auto* entry, const char* name) {
      *entry = Entry<std::remove_pointer_t<decltype(entry)>>(library, name);
      all = all && *entry != nullptr;
    };
    find(&Init, "MAPIEx_Init");
    find(&Term, "MAPIEx_Term");
    find(&SessionNew, "MAPIEx_SessionNew");
    find(&SessionDelete, "MAPIEx_SessionDelete");
    find(&Login, "MAPIEx_Login");
    find(&OpenMessageStore, "MAPIEx_OpenMessageStore");
    find(&GetProfileName, "MAPIEx_GetProfileName");
    find(&OpenOutbox, "MAPIEx_OpenOutbox");
    find(&Logout, "MAPIEx_Logout");
    find(&MessageNew, "MAPIEx_MessageNew");
    find(&MessageDelete, "MAPIEx_MessageDelete");
    find(&MessageCreate, "MAPIEx_MessageCreate");
    find(&SetSenderName, "MAPIEx_SetSenderName");
    find(&SetSenderEmail, "MAPIEx_SetSenderEmail");
    find(&AddRecipient, "MAPIEx_AddRecipient");
    find(&SetSubject, "MAPIEx_SetSubject");
    find(&SetBody, "MAPIEx_SetBody");
    find(&AddAttachment, "MAPIEx_AddAttachment");
    find(&ShowForm, "MAPIEx_ShowForm");
    find(&Send, "MAPIEx_Send");
    return all;
  }

  decltype(&MAPIEx_Init) Init = nullptr;
  decltype(&MAPIEx_Term) Term = nullptr;
  decltype(&MAPIEx_SessionNew) SessionNew = nullptr;
  decltype(&MAPIEx_SessionDelete) SessionDelete = nullptr;
  decltype(&MAPIEx_Login) Login = nullptr;
  decltype(&MAPIEx_OpenMessageStore) OpenMessageStore = nullptr;
  decltype(&MAPIEx_GetProfileName) GetProfileName = nullptr;
  decltype(&MAPIEx_OpenOutbox) OpenOutbox = nullptr;
  decltype(&MAPIEx_Logout) Logout = nullptr;
  decltype(&MAPIEx_MessageNew) MessageNew = nullptr;
  decltype(&MAPIEx_MessageDelete) MessageDelete = nullptr;
  decltype(&MAPIEx_MessageCreate) MessageCreate = nullptr;
  decltype(&MAPIEx_SetSenderName) SetSenderName = nullptr;
  decltype(&MAPIEx_SetSenderEmail) SetSenderEmail = nullptr;
  decltype(&MAPIEx_AddRecipient) AddRecipient = nullptr;
  decltype(&MAPIEx_SetSubject) SetSubject = nullptr;
  decltype(&MAPIEx_SetBody) SetBody = nullptr;
  decltype(&MAPIEx_AddAttachment) AddAttachment = nullptr;
  decltype(&MAPIEx_ShowForm) ShowForm = nullptr;
  decltype(&MAPIEx_Send) Send = nullptr;
};

class ExtendedStandIn : public OutboxTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Load("MAPIEx")) << library_.error();
    ASSERT_TRUE(f_.Find(library_));
  }

  /// The program's sequence up to the message's fields; returns the session
  /// and message, both to be deleted.
  std::pair<void*, void*> Compose(const char* recipient, const std::string& attachment) {
    EXPECT_EQ(f_.Init(0), 1);
    void* session = f_.SessionNew();
    EXPECT_EQ(f_.Login(session, nullptr), 1);
    EXPECT_EQ(f_.OpenMessageStore(session, nullptr, 0), 1);
    EXPECT_NE(f_.GetProfileName(session), nullptr);
    EXPECT_NE(f_.OpenOutbox(session, 0), nullptr);
    void* message = f_.MessageNew();
    EXPECT_EQ(f_.MessageCreate(message, session, 1), 1);
    f_.SetSenderName(message, "Mario");
    f_.SetSenderEmail(message, "mario@example.com");
    EXPECT_EQ(f_.AddRecipient(message, recipient, 1), 1);
    EXPECT_EQ(f_.AddRecipient(message, "bob@example.com", 1), 1);
    f_.SetSubject(message, "Citt\xe0");
    f_.SetBody(message, "Line 1\nLine 2");
    EXPECT_EQ(f_.AddAttachment(message, attachment.c_str(), "Relazione.pdf"), 1);
    EXPECT_EQ(f_.AddAttachment(message, attachment.c_str(), nullptr), 1);
    return {session, message};
  }
  void Close(std::pair<void*, void*> handles) {
    f_.MessageDelete(handles.second);
    f_.Logout(handles.first);
    f_.SessionDelete(handles.first);
    f_.Term();
  }

  platform::DynamicLibrary library_;
  MapiEx f_;
  std::string path_ = PutOnDriveC("docs/report.pdf", "%PDF");
};

TEST_F(ExtendedStandIn, SendsOrShowsTheFormAsADraft) {
  const struct {
    bool form;
    std::optional<std::string> unsent;
  } cases[] = {{false, std::nullopt}, {true, "1"}};
  for (const auto& c : cases) {
    const auto handles = Compose("anna@example.com", path_);
    EXPECT_EQ(c.form ? f_.ShowForm(handles.second, handles.first) : f_.Send(handles.second), 1);
    Close(handles);

    const std::vector<std::string> files = OutboxFiles(outbox_);
    ASSERT_EQ(files.size(), 1u);
    const std::optional<EmlMessage> eml = ReadEml(files[0]);
    ASSERT_TRUE(eml.has_value());
    EXPECT_EQ(eml->Header("X-Unsent"), c.unsent) << c.form;
    EXPECT_EQ(eml->Header("From"), "Mario <mario@example.com>");
    EXPECT_EQ(eml->Header("To"), "anna@example.com, bob@example.com");
    EXPECT_EQ(eml->Header("Subject"), "Citt\xc3\xa0");
    EXPECT_EQ(eml->body, "Line 1\nLine 2");
    ASSERT_EQ(eml->attachments.size(), 2u);
    EXPECT_EQ(eml->attachments[0].name, "Relazione.pdf");
    EXPECT_EQ(eml->attachments[1].name, "report.pdf");
    EXPECT_EQ(eml->attachments[1].bytes, "%PDF");
    std::filesystem::remove(files[0]);
  }
}

TEST_F(ExtendedStandIn, FailsWithoutWritingWhatCannotBeDelivered) {
  const struct {
    const char* name;
    const char* recipient;
    std::string attachment;
    bool form;
  } cases[] = {
      {"name without address, sent", "Anna Bianchi", path_, false},
      {"name without address, in the form", "Anna Bianchi", path_, true},
      {"address with a blank, sent", "anna bianchi@example.com", path_, false},
      {"missing attachment, sent", "anna@example.com", "C:\\absent.pdf", false},
      {"missing attachment, in the form", "anna@example.com", "C:\\absent.pdf", true},
  };
  for (const auto& c : cases) {
    const auto handles = Compose(c.recipient, c.attachment);
    if (c.form) {
      const int result = f_.ShowForm(handles.second, handles.first);
      EXPECT_TRUE(result != 1 && result != 2) << c.name << ": " << result;
    } else {
      EXPECT_EQ(f_.Send(handles.second), 0) << c.name;
    }
    Close(handles);
  }
  EXPECT_EQ(OutboxEntries(), 0u);
}

TEST_F(ExtendedStandIn, NullHandlesAreHarmless) {
  EXPECT_EQ(f_.Login(nullptr, "profile"), 0);
  EXPECT_EQ(f_.OpenMessageStore(nullptr, nullptr, 0), 0);
  EXPECT_EQ(f_.OpenOutbox(nullptr, 0), nullptr);
  EXPECT_EQ(f_.MessageCreate(nullptr, nullptr, 0), 0);
  f_.SetSenderName(nullptr, "x");
  f_.SetSenderEmail(nullptr, "x");
  f_.SetSubject(nullptr, "x");
  f_.SetBody(nullptr, "x");
  EXPECT_EQ(f_.AddRecipient(nullptr, "a@b", 1), 0);
  EXPECT_EQ(f_.AddAttachment(nullptr, "C:\\x", nullptr), 0);
  EXPECT_EQ(f_.Send(nullptr), 0);
  EXPECT_EQ(f_.ShowForm(nullptr, nullptr), 0);
  f_.Logout(nullptr);
  f_.MessageDelete(nullptr);
  f_.SessionDelete(nullptr);
  EXPECT_EQ(OutboxEntries(), 0u);
}

}  // namespace
}  // namespace j6::test
