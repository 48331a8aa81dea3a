// The built MAPIEx.dll over a fake Extended MAPI (fake_mapi32_win32.h): what
// the wrapper hands MAPI, call by call, for the program's sequence of calls,
// and what it does when any one MAPI call fails. The fake is loaded first, by
// its path, so that the wrapper's LoadLibrary of MAPI32.DLL finds it loaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <mapidefs.h>

#include <mapicode.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "dispatch/mapiex_classes.h"
#include "platform/dynamic_library.h"
#include "tests/mapiex/fake_mapi32_win32.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace j6 {
namespace {

struct FakeMapi {
  FakeMapiResetFunction Reset;
  FakeMapiScriptFunction Script;
  FakeMapiJournalFunction Journal;
  FakeMapiCountFunction LiveObjects;
  FakeMapiCountFunction LiveBuffers;
  FakeMapiCountFunction Breaches;
};

template <typename Function>
void Find(HMODULE module, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string Hex(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(result));
  return text;
}

/// The journal line of the whole represented-sender group, as the wrapper
/// sets it for an SMTP sender whose one-off the fake made.
std::string RepresentedLine(const std::string& name, const std::string& address) {
  std::string key = "SMTP:" + address;
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return "message.SetProps PR_SENT_REPRESENTING_NAME_A=" + name +
         " PR_SENT_REPRESENTING_ADDRTYPE_A=SMTP PR_SENT_REPRESENTING_EMAIL_ADDRESS_A=" + address +
         " PR_SENT_REPRESENTING_ENTRYID=ONEOFF:" + address +
         " PR_SENT_REPRESENTING_SEARCH_KEY=" + key + "\\0";
}

/// The program's sender, not the fake's identity: sent for, as Ufficio Vendite.
const std::string kRepresented = RepresentedLine("Ufficio Vendite", "vendite@example.com");

class WrapperOverFakeMapi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string fake = test::OwnDirectory() + "\\fake_mapi32\\MAPI32.DLL";
    HMODULE module = LoadLibraryA(fake.c_str());
    if (module != nullptr) {
      Find(module, J6_FAKE_MAPI_RESET, &fake_.Reset);
      Find(module, J6_FAKE_MAPI_SCRIPT, &fake_.Script);
      Find(module, J6_FAKE_MAPI_JOURNAL, &fake_.Journal);
      Find(module, J6_FAKE_MAPI_LIVE_OBJECTS, &fake_.LiveObjects);
      Find(module, J6_FAKE_MAPI_LIVE_BUFFERS, &fake_.LiveBuffers);
      Find(module, J6_FAKE_MAPI_BREACHES, &fake_.Breaches);
    }
    library_ = new platform::DynamicLibrary();
    wrapperLoaded_ = LoadMapiEx(library_, &f_);
  }
  static void TearDownTestSuite() {
    delete library_;
    library_ = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(fake_.Breaches, nullptr) << "the fake MAPI32 did not load";
    ASSERT_TRUE(wrapperLoaded_) << library_->error();
    fake_.Reset();
    breaches_ = fake_.Breaches();
    ASSERT_EQ(fake_.LiveObjects(), 0);
    ASSERT_EQ(fake_.LiveBuffers(), 0);
    document_ = folder_.File("0001.tmp");
    test::WriteFileBytes(document_, "%PDF-1.4\n");
    // Bigger than the wrapper's chunk, to be streamed in pieces.
    std::string list;
    for (int i = 0; list.size() < 150000; ++i) list += "riga " + std::to_string(i) + "\r\n";
    listino_ = folder_.File("listino.txt");
    test::WriteFileBytes(listino_, list);
    listinoDigest_ = FakeMapiDigest(list);
    listinoSize_ = list.size();
  }

  void TearDown() override {
    // Whatever a test did, the wrapper holds no MAPI object and no MAPI
    // buffer once it is done, and broke none of MAPI's buffer rules.
    EXPECT_EQ(fake_.LiveObjects(), 0) << "MAPI objects not released";
    EXPECT_EQ(fake_.LiveBuffers(), 0) << "MAPI buffers not freed";
    EXPECT_EQ(fake_.Breaches(), breaches_) << "MAPI buffers used against the rules";
    if (HasFailure()) std::printf("What the fake MAPI was handed:\n%s", fake_.Journal());
  }

  static std::vector<std::string> Journal() {
    std::vector<std::string> lines;
    std::istringstream text(fake_.Journal());
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  static bool Logged(const std::string& line) {
    const std::vector<std::string> lines = Journal();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  /// Whether any journal line holds the text.
  static bool Mentioned(const std::string& text) {
    for (const std::string& line : Journal()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  /// The program's sequence of calls: each result, in one line.
  std::string RunProgram(bool wait) {
    std::string outcome;
    auto note = [&](const std::string& what, int result) {
      outcome += (outcome.empty() ? "" : " ") + what + "=" + std::to_string(result);
    };
    void* session = f_.SessionNew();
    note("Init", f_.Init(1));
    note("Login", f_.Login(session, nullptr));
    note("Store", f_.OpenMessageStore(session, nullptr, 0x201));
    const char* profile = f_.GetProfileName(session);
    outcome += std::string(" Profile=") + (profile != nullptr ? profile : "null");
    note("Outbox", f_.OpenOutbox(session, 1) != nullptr);
    void* message = f_.MessageNew();
    note("Create", f_.MessageCreate(message, session, 2));
    f_.SetSenderName(message, "Ufficio Vendite");
    f_.SetSenderEmail(message, "vendite@example.com");
    note("To", f_.AddRecipient(message, "Anna Rossi", 1));
    note("Cc", f_.AddRecipient(message, "Bruno <bruno@example.com>", 2));
    f_.SetSubject(message, "Fattura 12");
    note("Attach", f_.AddAttachment(message, document_.c_str(), "Fattura 12.pdf"));
    f_.SetBody(message, "Gentile cliente,\nin allegato.\n");
    if (wait) {
      note("Form", f_.ShowForm(message, session));
    } else {
      note("Send", f_.Send(message));
    }
    f_.MessageDelete(message);
    f_.Logout(session);
    f_.Term();
    f_.SessionDelete(session);
    return outcome;
  }

  static FakeMapi fake_;
  static platform::DynamicLibrary* library_;
  static bool wrapperLoaded_;
  static MapiExFunctions f_;
  int breaches_ = 0;
  test::TempDir folder_;
  std::string document_;
  std::string listino_;
  std::string listinoDigest_;
  size_t listinoSize_ = 0;
};

FakeMapi WrapperOverFakeMapi::fake_{};
platform::DynamicLibrary* WrapperOverFakeMapi::library_ = nullptr;
bool WrapperOverFakeMapi::wrapperLoaded_ = false;
MapiExFunctions WrapperOverFakeMapi::f_{};

TEST_F(WrapperOverFakeMapi, SendsAMessageAsTheProgramComposesIt) {
  ASSERT_EQ(f_.Init(1), 1);
  void* session = f_.SessionNew();
  ASSERT_EQ(f_.Login(session, nullptr), 1);
  ASSERT_EQ(f_.OpenMessageStore(session, nullptr, 0x201), 1);
  const char* profile = f_.GetProfileName(session);
  ASSERT_NE(profile, nullptr);
  EXPECT_STREQ(profile, "Fake Profile");
  EXPECT_EQ(f_.GetProfileName(session), profile);  // kept, not asked again
  EXPECT_NE(f_.OpenOutbox(session, 1), nullptr);
  void* message = f_.MessageNew();
  ASSERT_EQ(f_.MessageCreate(message, session, 2), 1);
  f_.SetSenderName(message, "Ufficio Vendite");
  f_.SetSenderEmail(message, "vendite@example.com");
  EXPECT_EQ(f_.AddRecipient(message, "Anna Rossi", 1), 1);
  EXPECT_EQ(f_.AddRecipient(message, "Bruno <bruno@example.com>", 2), 1);
  EXPECT_EQ(f_.AddRecipient(message, "carla@example.com", 3), 1);
  f_.SetSubject(message, "Fattura 12");
  EXPECT_EQ(f_.AddAttachment(message, document_.c_str(), "Fattura 12.pdf"), 1);
  EXPECT_EQ(f_.AddAttachment(message, listino_.c_str(), nullptr), 1);
  f_.SetBody(message, "Gentile cliente,\nin allegato.\n");
  EXPECT_EQ(f_.Send(message), 1);
  f_.MessageDelete(message);
  f_.Logout(session);
  f_.Term();
  f_.SessionDelete(session);

  const std::string attach =
      "attach.SetProps PR_ATTACH_METHOD=1 PR_ATTACH_FILENAME_A=Fattura 12.pdf "
      "PR_ATTACH_LONG_FILENAME_A=Fattura 12.pdf PR_DISPLAY_NAME_A=Fattura 12.pdf "
      "PR_ATTACH_EXTENSION_A=.pdf PR_RENDERING_POSITION=-1";
  const std::string attach2 =
      "attach.SetProps PR_ATTACH_METHOD=1 PR_ATTACH_FILENAME_A=listino.txt "
      "PR_ATTACH_LONG_FILENAME_A=listino.txt PR_DISPLAY_NAME_A=listino.txt "
      "PR_ATTACH_EXTENSION_A=.txt PR_RENDERING_POSITION=-1";
  EXPECT_EQ(
      Journal(),
      (std::vector<std::string>{
          "MAPIInitialize version=0 flags=0x1",
          "MAPILogonEx ui=0 profile=<null> password=<null> flags=0x62",
          "session.GetMsgStoresTable",
          // Documented flags only, whatever the program passes.
          "session.OpenMsgStore MAILBOX flags=0x5",
          "session.GetStatusTable",
          "store.GetProps PR_IPM_OUTBOX_ENTRYID PR_IPM_SENTMAIL_ENTRYID",
          "store.OpenEntry OUTBOX IMAPIFolder flags=0x1",
          "outbox.CreateMessage flags=0x0",
          // Normal importance, though the program passes 2.
          // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line, written on two
          "message.SetProps PR_MESSAGE_CLASS_A=IPM.Note PR_IMPORTANCE=1 PR_MESSAGE_FLAGS=8 "
          "PR_SENTMAIL_ENTRYID=SENTITEMS",
          // Known to the address book, which leaves out the class: added.
          "session.OpenAddressBook flags=0x1",
          "addressbook.ResolveName flags=0x0 | PR_DISPLAY_NAME_A=Anna Rossi PR_RECIPIENT_TYPE=1",
          "message.ModifyRecipients flags=0x2 | PR_OBJECT_TYPE=6 PR_ENTRYID=AB:anna.rossi "
          "PR_DISPLAY_NAME_A=Anna Rossi PR_ADDRTYPE_A=SMTP "
          "PR_EMAIL_ADDRESS_A=anna.rossi@example.com PR_RECIPIENT_TYPE=1",
          // Unknown: an SMTP one-off.
          "addressbook.ResolveName flags=0x0 | PR_DISPLAY_NAME_A=Bruno <bruno@example.com> "
          "PR_RECIPIENT_TYPE=2",
          "addressbook.CreateOneOff name=Bruno type=SMTP address=bruno@example.com flags=0x10000",
          "message.ModifyRecipients flags=0x2 | PR_DISPLAY_NAME_A=Bruno PR_ADDRTYPE_A=SMTP "
          "PR_EMAIL_ADDRESS_A=bruno@example.com PR_RECIPIENT_TYPE=2 PR_SEND_RICH_INFO=false "
          "PR_ENTRYID=ONEOFF:bruno@example.com",
          "addressbook.ResolveName flags=0x0 | PR_DISPLAY_NAME_A=carla@example.com "
          "PR_RECIPIENT_TYPE=3",
          "addressbook.CreateOneOff name=carla@example.com type=SMTP address=carla@example.com "
          "flags=0x10000",
          "message.ModifyRecipients flags=0x2 | PR_DISPLAY_NAME_A=carla@example.com "
          "PR_ADDRTYPE_A=SMTP PR_EMAIL_ADDRESS_A=carla@example.com PR_RECIPIENT_TYPE=3 "
          "PR_SEND_RICH_INFO=false PR_ENTRYID=ONEOFF:carla@example.com",
          "message.SetProps PR_SUBJECT_A=Fattura 12",
          "message.CreateAttach 0",
          attach,
          "attach.OpenProperty PR_ATTACH_DATA_BIN IStream options=0x1001 flags=0x3",
          "stream.Commit PR_ATTACH_DATA_BIN 9 bytes %PDF-1.4\\n",
          "attach.SaveChanges flags=0x0",
          "message.CreateAttach 1",
          attach2,
          "attach.OpenProperty PR_ATTACH_DATA_BIN IStream options=0x1001 flags=0x3",
          "stream.Commit PR_ATTACH_DATA_BIN " + std::to_string(listinoSize_) + " bytes " +
              listinoDigest_,
          "attach.SaveChanges flags=0x0",
          "message.SetProps PR_BODY_A=Gentile cliente,\\r\\nin allegato.\\r\\n",
          // The sender is not the identity: sent for it, the whole group.
          "session.QueryIdentity",
          "session.OpenEntry AB:identity flags=0x0",
          "identity.GetProps PR_SMTP_ADDRESS_A PR_EMAIL_ADDRESS_A",
          "addressbook.CreateOneOff name=Ufficio Vendite type=SMTP address=vendite@example.com "
          "flags=0x10000",
          kRepresented,
          "message.SaveChanges flags=0x2",
          "message.SubmitMessage flags=0x0",
          // Logged off so that the spooler sends what was submitted.
          "store.StoreLogoff flags=0x4",
          "spooler.Sent MESSAGE1",
          "session.Logoff flags=0x0",
          "MAPIUninitialize",
      }));
}

TEST_F(WrapperOverFakeMapi, AFormIsSentOnlyWhenTheUserSentTheMessage) {
  const struct {
    const char* what;
    HRESULT shown;
    const char* user;         // what the user does in the fake's form
    const char* reopenFails;  // null: opening the saved message works
    const char* outcome;
    bool deleted;  // taken out of the outbox again
    bool sent;     // by the spooler, before the run ends
  } cases[] = {
      {"sent", S_OK, "sends", nullptr, "Form=1", false, true},
      {"sent, and spooled at once", S_OK, "sends, spooled", nullptr, "Form=1", false, true},
      {"closed without sending", S_OK, "", nullptr, "Form=2", true, false},
      {"cancelled", MAPI_E_USER_CANCEL, "", nullptr, "Form=2", true, false},
      {"form error", MAPI_E_CALL_FAILED, "sends", nullptr, "Form=0", false, false},
      // The message cannot be read again: whatever the user did, it is not
      // reported as sent, nor taken out of the outbox.
      {"not known", S_OK, "sends", "80070005", "Form=0", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fake_.Reset();
    fake_.Script("session.ShowForm", Hex(c.shown).c_str());
    fake_.Script("form.user", c.user);
    if (c.reopenFails != nullptr) fake_.Script("store.OpenEntry MESSAGE1", c.reopenFails);
    const std::string outcome = RunProgram(true);
    EXPECT_NE(outcome.find(c.outcome), std::string::npos) << outcome;
    const std::vector<std::string> journal = Journal();
    const auto saved = std::find(journal.begin(), journal.end(), "message.SaveChanges flags=0x2");
    ASSERT_NE(saved, journal.end());
    ASSERT_GE(journal.end() - saved, 4);
    EXPECT_EQ(saved[-1], kRepresented);  // as on the way without a form
    EXPECT_EQ(saved[1],
              "message.GetProps PR_ENTRYID PR_MSG_STATUS PR_MESSAGE_FLAGS PR_ACCESS "
              "PR_MESSAGE_CLASS_A");
    EXPECT_EQ(saved[2], "session.PrepareForm");
    EXPECT_EQ(saved[3],
              "session.ShowForm store=MAILBOX folder=outbox token=as prepared "
              "messageReferences=1 flags=0x0 status=0x0 messageFlags=0x8 access=0x7 "
              "class=IPM.Note");
    if (SUCCEEDED(c.shown)) {
      EXPECT_TRUE(Logged("store.OpenEntry MESSAGE1 flags=0x0"));
    } else {
      EXPECT_FALSE(Mentioned("store.OpenEntry MESSAGE1"));
    }
    EXPECT_EQ(Logged("outbox.DeleteMessages MESSAGE1"), c.deleted);
    EXPECT_EQ(Logged("spooler.Sent MESSAGE1"), c.sent);
    EXPECT_FALSE(Logged("message.SubmitMessage flags=0x0"));  // the form sends, not the wrapper
  }
}

TEST_F(WrapperOverFakeMapi, AnyFailingMapiCallFailsItsStepAndLeaksNothing) {
  const std::string all =
      "Init=1 Login=1 Store=1 Profile=Fake Profile Outbox=1 Create=1 To=1 Cc=1 Attach=1";
  const std::string unresolved =
      "Init=1 Login=1 Store=1 Profile=Fake Profile Outbox=1 Create=1 To=0 Cc=1 Attach=1 Send=0";
  const std::string noAttachment =
      "Init=1 Login=1 Store=1 Profile=Fake Profile Outbox=1 Create=1 To=1 Cc=1 Attach=0";
  const struct {
    const char* call;
    HRESULT result;
    bool wait;
    std::string outcome;
    const char* alsoLogged;  // null: nothing more to check
    const char* notLogged;
  } cases[] = {
      {"none", S_OK, false, all + " Send=1", nullptr, "outbox.DeleteMessages MESSAGE1"},
      {"MAPIInitialize", MAPI_E_NOT_INITIALIZED, false,
       "Init=0 Login=0 Store=0 Profile=null Outbox=0 Create=0 To=0 Cc=0 Attach=0 Send=0", nullptr,
       "MAPILogonEx ui=0 profile=<null> password=<null> flags=0x62"},
      {"MAPILogonEx", MAPI_E_LOGON_FAILED, false,
       "Init=1 Login=0 Store=0 Profile=null Outbox=0 Create=0 To=0 Cc=0 Attach=0 Send=0", nullptr,
       nullptr},
      {"session.GetMsgStoresTable", MAPI_E_CALL_FAILED, false,
       "Init=1 Login=1 Store=0 Profile=Fake Profile Outbox=0 Create=0 To=0 Cc=0 Attach=0 Send=0",
       nullptr, nullptr},
      {"stores.QueryRows", MAPI_E_CALL_FAILED, false,
       "Init=1 Login=1 Store=0 Profile=Fake Profile Outbox=0 Create=0 To=0 Cc=0 Attach=0 Send=0",
       nullptr, nullptr},
      {"session.OpenMsgStore", MAPI_E_NOT_FOUND, false,
       "Init=1 Login=1 Store=0 Profile=Fake Profile Outbox=0 Create=0 To=0 Cc=0 Attach=0 Send=0",
       nullptr, nullptr},
      {"session.GetStatusTable", MAPI_E_CALL_FAILED, false,
       "Init=1 Login=1 Store=1 Profile=null Outbox=1 Create=1 To=1 Cc=1 Attach=1 Send=1", nullptr,
       nullptr},
      {"status.QueryRows", MAPI_E_CALL_FAILED, false,
       "Init=1 Login=1 Store=1 Profile=null Outbox=1 Create=1 To=1 Cc=1 Attach=1 Send=1", nullptr,
       nullptr},
      {"store.GetProps", MAPI_E_CALL_FAILED, false,
       "Init=1 Login=1 Store=1 Profile=Fake Profile Outbox=0 Create=0 To=0 Cc=0 Attach=0 Send=0",
       nullptr, nullptr},
      {"store.OpenEntry", MAPI_E_NO_ACCESS, false,
       "Init=1 Login=1 Store=1 Profile=Fake Profile Outbox=0 Create=0 To=0 Cc=0 Attach=0 Send=0",
       nullptr, nullptr},
      {"outbox.CreateMessage", MAPI_E_NO_ACCESS, false,
       "Init=1 Login=1 Store=1 Profile=Fake Profile Outbox=1 Create=0 To=0 Cc=0 Attach=0 Send=0",
       nullptr, nullptr},
      {"message.SetProps", MAPI_E_CALL_FAILED, false,
       "Init=1 Login=1 Store=1 Profile=Fake Profile Outbox=1 Create=0 To=0 Cc=0 Attach=0 Send=0",
       nullptr, nullptr},
      // Without an address book, or when it fails, only an address goes,
      // as a one-off; a name cannot, and the mail is not sent without it.
      {"session.OpenAddressBook", MAPI_E_CALL_FAILED, false, unresolved,
       "message.ModifyRecipients flags=0x2 | PR_DISPLAY_NAME_A=Bruno PR_ADDRTYPE_A=SMTP "
       "PR_EMAIL_ADDRESS_A=bruno@example.com PR_RECIPIENT_TYPE=2 PR_SEND_RICH_INFO=false",
       "message.SubmitMessage flags=0x0"},
      {"addressbook.ResolveName", MAPI_E_CALL_FAILED, false, unresolved,
       "addressbook.CreateOneOff name=Bruno type=SMTP address=bruno@example.com flags=0x10000",
       "addressbook.CreateOneOff name=Anna Rossi type=SMTP address=Anna Rossi flags=0x10000"},
      {"addressbook.CreateOneOff", MAPI_E_CALL_FAILED, false, all + " Send=1",
       "message.ModifyRecipients flags=0x2 | PR_DISPLAY_NAME_A=Bruno PR_ADDRTYPE_A=SMTP "
       "PR_EMAIL_ADDRESS_A=bruno@example.com PR_RECIPIENT_TYPE=2 PR_SEND_RICH_INFO=false",
       kRepresented.c_str()},  // no sender group without its entry identifier
      // A resolved recipient the message refuses is not tried again as a
      // one-off, and the mail does not go without it.
      {"message.ModifyRecipients", MAPI_E_CALL_FAILED, false,
       "Init=1 Login=1 Store=1 Profile=Fake Profile Outbox=1 Create=1 To=0 Cc=0 Attach=1 Send=0",
       nullptr,
       "addressbook.CreateOneOff name=Anna Rossi type=SMTP address=Anna Rossi flags=0x10000"},
      // An attachment that does not make it fails the mail; none is left half-made.
      {"message.CreateAttach", MAPI_E_CALL_FAILED, false, noAttachment + " Send=0", nullptr,
       "message.DeleteAttach 0"},
      {"attach.SetProps", MAPI_E_CALL_FAILED, false, noAttachment + " Send=0",
       "message.DeleteAttach 0", "message.SaveChanges flags=0x2"},
      {"attach.OpenProperty", MAPI_E_NO_ACCESS, false, noAttachment + " Send=0",
       "message.DeleteAttach 0", "message.SaveChanges flags=0x2"},
      {"stream.Commit", STG_E_MEDIUMFULL, false, noAttachment + " Send=0", "message.DeleteAttach 0",
       "message.SaveChanges flags=0x2"},
      {"attach.SaveChanges", MAPI_E_CALL_FAILED, true, noAttachment + " Form=0",
       "message.DeleteAttach 0", "session.PrepareForm"},
      // Who the identity is cannot be learnt: the sender is someone else.
      {"session.QueryIdentity", MAPI_E_NO_SUPPORT, false, all + " Send=1", kRepresented.c_str(),
       nullptr},
      {"session.OpenEntry", MAPI_E_NOT_FOUND, false, all + " Send=1", kRepresented.c_str(),
       nullptr},
      {"identity.GetProps", MAPI_E_CALL_FAILED, false, all + " Send=1", kRepresented.c_str(),
       nullptr},
      // Saved to the outbox but not sent: taken out again, and nothing to
      // log the store off for.
      {"message.SaveChanges", MAPI_E_CALL_FAILED, false, all + " Send=0", nullptr,
       "outbox.DeleteMessages MESSAGE1"},
      {"message.SubmitMessage", MAPI_E_CALL_FAILED, false, all + " Send=0",
       "outbox.DeleteMessages MESSAGE1", "store.StoreLogoff flags=0x4"},
      {"message.SaveChanges", MAPI_E_CALL_FAILED, true, all + " Form=0", nullptr,
       "session.PrepareForm"},
      {"message.GetProps", MAPI_E_CALL_FAILED, true, all + " Form=0", nullptr,
       "session.PrepareForm"},
      {"session.PrepareForm", MAPI_E_CALL_FAILED, true, all + " Form=0",
       "outbox.DeleteMessages MESSAGE1", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.call) + (c.wait ? " (form)" : ""));
    fake_.Reset();
    fake_.Script(c.call, Hex(c.result).c_str());
    EXPECT_EQ(RunProgram(c.wait), c.outcome);
    if (c.alsoLogged != nullptr) {
      EXPECT_TRUE(Logged(c.alsoLogged)) << c.alsoLogged << "\n" << fake_.Journal();
    }
    if (c.notLogged != nullptr) {
      EXPECT_FALSE(Logged(c.notLogged)) << c.notLogged << "\n" << fake_.Journal();
    }
    EXPECT_EQ(fake_.LiveObjects(), 0) << fake_.Journal();
    EXPECT_EQ(fake_.LiveBuffers(), 0) << fake_.Journal();
  }
}

TEST_F(WrapperOverFakeMapi, LogsOnToANamedProfileAndOpensANamedStore) {
  ASSERT_EQ(f_.Init(0), 1);
  void* session = f_.SessionNew();
  ASSERT_EQ(f_.Login(session, "Lavoro"), 1);
  EXPECT_EQ(f_.OpenMessageStore(session, "archive", 0), 1);
  EXPECT_EQ(f_.OpenMessageStore(session, "Nessuno", 0), 0);
  EXPECT_EQ(f_.OpenOutbox(session, 1), nullptr);  // no store open now
  f_.Logout(session);
  f_.Term();
  f_.SessionDelete(session);
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "MAPIInitialize version=0 flags=0x0",
                           // A named profile: not the default, and still no dialog.
                           "MAPILogonEx ui=0 profile=Lavoro password=<null> flags=0x22",
                           "session.GetMsgStoresTable",
                           "session.OpenMsgStore ARCHIVE flags=0x5",
                           "session.GetMsgStoresTable",
                           "session.Logoff flags=0x0",
                           "MAPIUninitialize",
                       }));
}

/// Init, logon, store, outbox and a created message; the message handle.
void* ReadyMessage(const MapiExFunctions& f, void** session) {
  EXPECT_EQ(f.Init(1), 1);
  *session = f.SessionNew();
  EXPECT_EQ(f.Login(*session, nullptr), 1);
  EXPECT_EQ(f.OpenMessageStore(*session, nullptr, 0x201), 1);
  EXPECT_NE(f.OpenOutbox(*session, 1), nullptr);
  void* message = f.MessageNew();
  EXPECT_EQ(f.MessageCreate(message, *session, 2), 1);
  return message;
}

void Finish(const MapiExFunctions& f, void* session, void* message) {
  f.MessageDelete(message);
  f.Logout(session);
  f.Term();
  f.SessionDelete(session);
}

TEST_F(WrapperOverFakeMapi, OpensTheStoreWithDocumentedFlagsOnly) {
  // The fake refuses any bit OpenMsgStore does not document; MDB_NO_MAIL,
  // MDB_TEMPORARY and MDB_ONLINE are documented but keep a store from
  // sending as the mail client does.
  for (unsigned int asked : {0x201u, 0x0u, 0x80u, 0x20u, 0x100u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(asked);
    fake_.Reset();
    ASSERT_EQ(f_.Init(1), 1);
    void* session = f_.SessionNew();
    ASSERT_EQ(f_.Login(session, nullptr), 1);
    EXPECT_EQ(f_.OpenMessageStore(session, nullptr, asked), 1);
    f_.Logout(session);
    f_.Term();
    f_.SessionDelete(session);
    EXPECT_TRUE(Logged("session.OpenMsgStore MAILBOX flags=0x5")) << fake_.Journal();
  }
}

TEST_F(WrapperOverFakeMapi, WhatTheAddressBookCannotResolveGoesOnlyAsAnAddress) {
  const struct {
    std::vector<const char*> pieces;
    const char* added;  // AddRecipient's results
    int sent;
    const char* oneOff;  // the one-off the address book is asked for; null: none
  } cases[] = {
      {{"Anna Rossi"}, "1", 1, nullptr},
      {{"Rossi"}, "0", 0, nullptr},  // ambiguous: Anna or Marco
      {{"Nessuno"}, "0", 0, nullptr},
      {{"   "}, "0", 0, nullptr},
      {{"carla@example.com"}, "1", 1, "name=carla@example.com type=SMTP address=carla@example.com"},
      {{"Carla <carla@example.com>"}, "1", 1, "name=Carla type=SMTP address=carla@example.com"},
      {{"SMTP:carla@example.com"},
       "1",
       1,
       "name=carla@example.com type=SMTP address=carla@example.com"},
      {{"carla bianchi@example.com"}, "0", 0, nullptr},
      {{"Carla <carla bianchi@example.com>"}, "0", 0, nullptr},
      {{"carla@"}, "0", 0, nullptr},
      {{"@example.com"}, "0", 0, nullptr},
      // One piece that cannot go keeps the others from going without it.
      {{"carla@example.com", "Nessuno", "Anna Rossi"},
       "1 0 1",
       0,
       "name=carla@example.com type=SMTP address=carla@example.com"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pieces.front());
    fake_.Reset();
    void* session = nullptr;
    void* message = ReadyMessage(f_, &session);
    std::string added;
    for (const char* piece : c.pieces) {
      added += (added.empty() ? "" : " ") + std::to_string(f_.AddRecipient(message, piece, 1));
    }
    EXPECT_EQ(added, c.added);
    EXPECT_EQ(f_.Send(message), c.sent);
    Finish(f_, session, message);
    if (c.oneOff != nullptr) {
      EXPECT_TRUE(Logged(std::string("addressbook.CreateOneOff ") + c.oneOff + " flags=0x10000"))
          << fake_.Journal();
    } else {
      EXPECT_FALSE(Mentioned("addressbook.CreateOneOff")) << fake_.Journal();
    }
    // Refused before it reached the outbox: nothing to send, nothing to delete.
    EXPECT_EQ(Logged("message.SubmitMessage flags=0x0"), c.sent == 1);
    EXPECT_EQ(Logged("spooler.Sent MESSAGE1"), c.sent == 1);
    EXPECT_FALSE(Mentioned("outbox.DeleteMessages"));
  }
}

TEST_F(WrapperOverFakeMapi, SendsForTheSenderOnlyWhenItIsNotTheIdentity) {
  const std::string group = RepresentedLine("Ufficio Vendite", "vendite@example.com");
  const struct {
    const char* what;
    std::vector<std::pair<const char*, std::string>> script;
    const char* name;  // null: not set
    const char* address;
    std::string represented;  // empty: no represented sender at all
  } cases[] = {
      {"someone else", {}, "Ufficio Vendite", "vendite@example.com", group},
      {"the identity, in other case",
       {{"identity.smtp", "Vendite@Example.COM"}},
       "Ufficio Vendite",
       "vendite@example.com",
       ""},
      {"the identity, known by its e-mail address",
       {{"identity.smtp", "none"}, {"identity.email", "vendite@example.com"}},
       "Ufficio Vendite",
       "vendite@example.com",
       ""},
      {"an Exchange identity with that SMTP address",
       {{"identity.type", "EX"},
        {"identity.email", "/o=J6/cn=Recipients/cn=vendite"},
        {"identity.smtp", "vendite@example.com"}},
       "Ufficio Vendite",
       "vendite@example.com",
       ""},
      {"an Exchange identity without an SMTP address",
       {{"identity.type", "EX"},
        {"identity.email", "/o=J6/cn=Recipients/cn=vendite"},
        {"identity.smtp", "none"}},
       "Ufficio Vendite",
       "vendite@example.com",
       group},
      {"no identity",
       {{"session.QueryIdentity", Hex(MAPI_E_NO_SUPPORT)}},
       "Ufficio Vendite",
       "vendite@example.com",
       group},
      {"an address alone",
       {},
       nullptr,
       "vendite@example.com",
       RepresentedLine("vendite@example.com", "vendite@example.com")},
      {"an SMTP address with its type", {}, "Ufficio Vendite", "SMTP:vendite@example.com", group},
      // Never half the group: the transport would fill in the rest from
      // the identity, or refuse the mail.
      {"no one-off entry identifier",
       {{"addressbook.CreateOneOff", Hex(MAPI_E_CALL_FAILED)}},
       "Ufficio Vendite",
       "vendite@example.com",
       ""},
      {"no address book",
       {{"session.OpenAddressBook", Hex(MAPI_E_CALL_FAILED)}},
       "Ufficio Vendite",
       "vendite@example.com",
       ""},
      {"no address", {}, "Ufficio Vendite", "", ""},
      {"not an address", {}, "Ufficio Vendite", "Ufficio Vendite", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fake_.Reset();
    for (const auto& setting : c.script) fake_.Script(setting.first, setting.second.c_str());
    void* session = nullptr;
    void* message = ReadyMessage(f_, &session);
    if (c.name != nullptr) f_.SetSenderName(message, c.name);
    f_.SetSenderEmail(message, c.address);
    EXPECT_EQ(f_.AddRecipient(message, "carla@example.com", 1), 1);
    EXPECT_EQ(f_.Send(message), 1);
    Finish(f_, session, message);
    // The sender's own properties are the transport's.
    EXPECT_FALSE(Mentioned("PR_SENDER_")) << fake_.Journal();
    if (c.represented.empty()) {
      EXPECT_FALSE(Mentioned("PR_SENT_REPRESENTING_")) << fake_.Journal();
    } else {
      const std::vector<std::string> journal = Journal();
      const auto set = std::find(journal.begin(), journal.end(), c.represented);
      const auto saved = std::find(journal.begin(), journal.end(), "message.SaveChanges flags=0x2");
      EXPECT_TRUE(set < saved) << fake_.Journal();
    }
  }
}

TEST_F(WrapperOverFakeMapi, AttachesADocumentStillOpenForWritingAndNeverSendsWithoutOne) {
  const struct {
    const char* what;
    DWORD hostAccess;  // 0: the host does not hold the file
    DWORD hostSharing;
    const char* file;  // in the test's folder
    bool form;
    int attached;
    int handedOver;  // Send's or ShowForm's result
  } cases[] = {
      {"written by the host, sharing all", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
       "0001.tmp", false, 1, 1},
      {"written by the host, sharing reads", GENERIC_WRITE, FILE_SHARE_READ, "0001.tmp", false, 1,
       1},
      {"held by the host, sharing nothing", GENERIC_READ, 0, "0001.tmp", false, 0, 0},
      {"missing", 0, 0, "absent.pdf", false, 0, 0},
      {"missing, in the form", 0, 0, "absent.pdf", true, 0, 0},
      {"a folder", 0, 0, "", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fake_.Reset();
    const std::string path = folder_.File(c.file);
    HANDLE host = INVALID_HANDLE_VALUE;
    if (c.hostAccess != 0) {
      host = CreateFileA(path.c_str(), c.hostAccess, c.hostSharing, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(host, INVALID_HANDLE_VALUE);
    }
    void* session = nullptr;
    void* message = ReadyMessage(f_, &session);
    EXPECT_EQ(f_.AddRecipient(message, "carla@example.com", 1), 1);
    EXPECT_EQ(f_.AddAttachment(message, path.c_str(), "Fattura 12.pdf"), c.attached);
    EXPECT_EQ(c.form ? f_.ShowForm(message, session) : f_.Send(message), c.handedOver);
    Finish(f_, session, message);
    if (host != INVALID_HANDLE_VALUE) CloseHandle(host);
    EXPECT_EQ(Logged("stream.Commit PR_ATTACH_DATA_BIN 9 bytes %PDF-1.4\\n"), c.attached == 1);
    // Refused before anything reached the outbox.
    EXPECT_EQ(Logged("message.SaveChanges flags=0x2"), c.handedOver == 1) << fake_.Journal();
    EXPECT_FALSE(Mentioned("session.PrepareForm")) << fake_.Journal();
  }
}

TEST_F(WrapperOverFakeMapi, EveryMessageIsOfNormalImportanceAndNeedsNoSentItemsFolder) {
  fake_.Script("sentitems", "none");
  // The program passes 2, which was never an importance: the Simple path
  // sends normal mail, and so does this one, whatever the number.
  for (int importance : {0, 1, 2, 3, -1}) {
    void* session = nullptr;
    void* message = ReadyMessage(f_, &session);
    EXPECT_EQ(f_.MessageCreate(message, session, importance), 1);  // created anew
    Finish(f_, session, message);
  }
  const std::vector<std::string> journal = Journal();
  const std::string created =
      "message.SetProps PR_MESSAGE_CLASS_A=IPM.Note PR_IMPORTANCE=1 PR_MESSAGE_FLAGS=8";
  EXPECT_EQ(std::count(journal.begin(), journal.end(), created), 10) << fake_.Journal();
}

TEST_F(WrapperOverFakeMapi, ABodyThatSetPropsRefusesGoesInAsAStream) {
  fake_.Script("SetProps.fails", "PR_BODY_A");
  void* session = nullptr;
  void* message = ReadyMessage(f_, &session);
  f_.SetBody(message, "uno\ndue");
  Finish(f_, session, message);
  const std::vector<std::string> journal = Journal();
  const auto set =
      std::find(journal.begin(), journal.end(), "message.SetProps PR_BODY_A=uno\\r\\ndue");
  ASSERT_NE(set, journal.end()) << fake_.Journal();
  ASSERT_GE(journal.end() - set, 3);
  EXPECT_EQ(set[1], "message.OpenProperty PR_BODY_A IStream options=0x1001 flags=0x3");
  EXPECT_EQ(set[2], "stream.Commit PR_BODY_A 8 bytes uno\\r\\ndue");
}

TEST_F(WrapperOverFakeMapi, RefusesBadArgumentsWithoutAskingMapi) {
  void* session = nullptr;
  void* message = ReadyMessage(f_, &session);
  const size_t before = Journal().size();
  EXPECT_EQ(f_.AddRecipient(message, "anna@example.com", 0), 0);
  EXPECT_EQ(f_.AddRecipient(message, "anna@example.com", 4), 0);
  EXPECT_EQ(f_.AddRecipient(message, "", 1), 0);
  EXPECT_EQ(f_.AddRecipient(message, nullptr, 1), 0);
  EXPECT_EQ(f_.AddAttachment(message, folder_.File("missing.pdf").c_str(), "x.pdf"), 0);
  EXPECT_EQ(f_.AddAttachment(message, "", nullptr), 0);
  EXPECT_EQ(f_.AddAttachment(message, nullptr, nullptr), 0);
  EXPECT_EQ(Journal().size(), before) << fake_.Journal();
  Finish(f_, session, message);
}

TEST_F(WrapperOverFakeMapi, TermReleasesWhatTheCallerLeftOpen) {
  void* session = nullptr;
  void* message = ReadyMessage(f_, &session);
  EXPECT_EQ(f_.AddRecipient(message, "Anna Rossi", 1), 1);
  EXPECT_EQ(f_.Send(message), 1);
  EXPECT_GT(fake_.LiveObjects(), 0);
  f_.Term();  // no MessageDelete, no Logout first
  EXPECT_EQ(fake_.LiveObjects(), 0);
  EXPECT_TRUE(Logged("spooler.Sent MESSAGE1"));  // the store still logged off first
  EXPECT_TRUE(Logged("session.Logoff flags=0x0"));
  EXPECT_EQ(Journal().back(), "MAPIUninitialize");
  // The handles are still the caller's to delete, and refuse what needs MAPI.
  EXPECT_EQ(f_.Send(message), 0);
  EXPECT_EQ(f_.OpenOutbox(session, 1), nullptr);
  f_.MessageDelete(message);
  f_.SessionDelete(session);
}

TEST_F(WrapperOverFakeMapi, InitAndTermNest) {
  ASSERT_EQ(f_.Init(0), 1);
  ASSERT_EQ(f_.Init(1), 1);
  void* session = f_.SessionNew();
  ASSERT_EQ(f_.Login(session, nullptr), 1);
  f_.Term();
  // One Init still stands: the session is still there.
  EXPECT_EQ(f_.OpenMessageStore(session, nullptr, 0x201), 1);
  f_.Term();
  EXPECT_EQ(fake_.LiveObjects(), 0);
  f_.Term();  // one too many: ignored
  f_.SessionDelete(session);
  const std::vector<std::string> journal = Journal();
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "MAPIUninitialize"), 2);
  EXPECT_EQ(journal.back(), "MAPIUninitialize");
}

TEST_F(WrapperOverFakeMapi, DeletingTheSessionLogsOff) {
  void* session = nullptr;
  void* message = ReadyMessage(f_, &session);
  f_.MessageDelete(message);
  f_.SessionDelete(session);
  EXPECT_EQ(fake_.LiveObjects(), 0);
  EXPECT_EQ(Journal().back(), "session.Logoff flags=0x0");
  f_.Term();
}

}  // namespace
}  // namespace j6
