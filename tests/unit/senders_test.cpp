// The two hand-overs in-process, against MAPI32 and the Extended wrapper
// played through the outside table: every answer a library can give, and
// what the sender makes of it. (The end-to-end tests show the same structures
// reaching real libraries of a process.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include "check/graph_check.h"
#include "check/report.h"
#include "check/route_check.h"
#include "check/smtp_check.h"
#include "dispatch/extended_sender.h"
#include "dispatch/graph_json.h"
#include "dispatch/graph_sender.h"
#include "dispatch/outgoing_mail.h"
#include "dispatch/route.h"
#include "dispatch/simple_sender.h"
#include "dispatch/smtp_sender.h"
#include "dispatch/smtp_settings.h"
#include "mail/mail_text.h"
#include "platform/simple_mapi_abi.h"
#include "platform/windows1252.h"
#include "run/configuration.h"
#include "tests/doubles/in_process/libraries.h"
#include "tests/support/log_lines.h"
#include "tests/support/recipient_grammar.h"
#include "tests/support/run_state_fixture.h"
#include "tests/support/scoped_outside.h"

namespace j6 {
namespace {

class SendersTest : public test::RunStateTest {
 protected:
  void SetUp() override {
    test::RunStateTest::SetUp();
    LogToScratch();
    doubles::Simple() = doubles::SimpleRecord{};
    doubles::Extended() = doubles::ExtendedRecord{};
    // A composed request, as ComposeMail leaves it.
    run_.senderName.Assign("Ufficio");
    run_.senderEmail.Assign("uff@example.com");
    run_.recipients.Assign("!anna@example.com;bruno@example.com");
    run_.subject.Assign("Fattura 17");
    run_.body.Assign("Gentile cliente,\nCordiali saluti");
    run_.documentPath.Assign("C:\\net\\SPOOL\\DOCA01");
    run_.remoteDocumentPath.Assign("\\\\srv\\spool\\PRT\\R1");
  }
  std::string LastLine() const {
    const std::vector<std::string> lines =
        test::LogMessages(test::ReadFileBytes(dir_.File("run.log")));
    return lines.empty() ? std::string() : lines.back();
  }
};

TEST_F(SendersTest, SimpleOutcomeFollowsWhatMapiSendMailAnswers) {
  struct Case {
    bool wait;
    std::uint32_t result;
    std::string lastLine;
    HandOver outcome;
  };
  std::vector<Case> cases = {
      {true, 0, "MailWait Send successfully", HandOver::kHandedOver},
      {true, mapi::kMapiUserAbort, "MailWait User Cancel", HandOver::kCancelled},
      {true, mapi::kMapiUserCancel, "MailWait User Cancel", HandOver::kCancelled},
      {true, 2, "MailWait MAPI Error : 2", HandOver::kFailed},
      {false, 0, "Sent successfully", HandOver::kHandedOver},
      // The Extended cancel code means nothing without the form.
      {false, mapi::kMapiUserCancel, "Send MAPI Error : -2147221229", HandOver::kFailed},
  };
  for (const std::uint32_t code : {1, 2, 3, 5, 9, 10, 11, 12, 14, 15, 18, 21, 25, 26}) {
    cases.push_back({false, code, "Send MAPI Error : " + std::to_string(code), HandOver::kFailed});
  }
  doubles::InProcessLibraries libraries({{"MAPI32", doubles::Mapi32Exports()}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lastLine);
    run_.recipients.Assign("!anna@example.com;bruno@example.com");  // the sender splits it
    doubles::Simple() = doubles::SimpleRecord{};
    doubles::Simple().result = c.result;
    EXPECT_EQ(SendSimple(run_, c.wait), c.outcome);
    EXPECT_EQ(LastLine(), c.lastLine);
    ASSERT_EQ(doubles::Simple().calls.size(), 1u);
    EXPECT_EQ(doubles::Simple().calls[0].flags, c.wait ? 9u : 1u);
    EXPECT_EQ(libraries.open(), 0);  // MAPI32 freed again
  }
}

TEST_F(SendersTest, SimpleWithoutMapi32OrItsEntryPoint) {
  {
    doubles::InProcessLibraries none(std::map<std::string, doubles::Exports>{});
    EXPECT_EQ(SendSimple(run_, false), HandOver::kFailed);
    EXPECT_EQ(LastLine(), "Impossibile caricare libreria MAPI32.dll!");
  }
  doubles::InProcessLibraries empty({{"MAPI32", doubles::Exports()}});
  EXPECT_EQ(SendSimple(run_, false), HandOver::kFailed);
  EXPECT_EQ(LastLine(), "Impossibile trovare: MAPISendMail in MAPI32.dll!");
  EXPECT_EQ(empty.open(), 0);
}

// Counts with nothing to count come with null arrays, as mail clients expect.
TEST_F(SendersTest, SimpleHandsNullArraysForEmptyCounts) {
  doubles::InProcessLibraries libraries({{"MAPI32", doubles::Mapi32Exports()}});
  run_.recipients.Assign("!;;");
  run_.documentPath.Clear();
  EXPECT_EQ(SendSimple(run_, true), HandOver::kHandedOver);
  ASSERT_EQ(doubles::Simple().calls.size(), 1u);
  const doubles::SimpleCall& call = doubles::Simple().calls[0];
  EXPECT_TRUE(call.recipients.empty());
  EXPECT_TRUE(call.files.empty());
  EXPECT_FALSE(call.recipientsWithoutArray || call.filesWithoutArray);
}

TEST_F(SendersTest, ExtendedOutcomeFollowsTheWrapperAndReleasesEverything) {
  struct Case {
    const char* name;
    bool wait;
    std::string failing;
    int form;
    const char* lastLine;
    HandOver outcome;
    std::vector<std::string> tail;  // the wrapper's last calls
    bool withoutSend = false;
  };
  const std::vector<std::string> released = {"MessageDelete", "Logout", "Term", "SessionDelete"};
  const std::vector<Case> cases = {
      {"sent", false, "", 1, "Sent successfully", HandOver::kHandedOver, released},
      {"send fails", false, "Send", 1, "Error: cannot send message!", HandOver::kFailed, released},
      {"form sent", true, "", 1, "MailWait Send Successfully", HandOver::kHandedOver, released},
      // A cancel in the form is the user's choice, not a failure.
      {"form cancelled", true, "", 2, "MailWait User Cancel", HandOver::kCancelled, released},
      {"form error", true, "", 0, "MailWait Error", HandOver::kFailed, released},
      {"Init",
       false,
       "Init",
       1,
       "Error: failed to initialize MAPIEx",
       HandOver::kFailed,
       {"SessionNew", "Init", "SessionDelete"}},
      {"Login",
       false,
       "Login",
       1,
       "Error: failed to initialize MAPIEx",
       HandOver::kFailed,
       {"Init", "Login", "SessionDelete"}},
      {"OpenMessageStore",
       false,
       "OpenMessageStore",
       1,
       "Error: failed to initialize MAPIEx",
       HandOver::kFailed,
       {"Login", "OpenMessageStore", "SessionDelete"}},
      {"OpenOutbox",
       false,
       "OpenOutbox",
       1,
       "Error: Cannot open outbox!",
       HandOver::kFailed,
       {"OpenOutbox", "Logout", "Term", "SessionDelete"}},
      {"MessageCreate",
       false,
       "MessageCreate",
       1,
       "Error: Cannot create message!",
       HandOver::kFailed,
       {"MessageCreate", "MessageDelete", "Logout", "Term", "SessionDelete"}},
      {"a wrapper without Send",
       false,
       "",
       1,
       "Error: failed to initialize MAPIEx",
       HandOver::kFailed,
       {},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    doubles::Exports exports = doubles::MapiExExports();
    if (c.withoutSend) exports.erase("MAPIEx_Send");
    doubles::InProcessLibraries libraries({{"MAPIEx", exports}});
    doubles::Extended() = doubles::ExtendedRecord{};
    doubles::Extended().failing = c.failing;
    doubles::Extended().formResult = c.form;
    run_.recipients.Assign("!anna@example.com;bruno@example.com");
    EXPECT_EQ(SendExtended(run_, c.wait), c.outcome);
    EXPECT_EQ(LastLine(), c.lastLine);
    const doubles::ExtendedRecord& record = doubles::Extended();
    ASSERT_GE(record.calls.size(), c.tail.size());
    EXPECT_EQ(std::vector<std::string>(record.calls.end() - static_cast<long>(c.tail.size()),
                                       record.calls.end()),
              c.tail);
    EXPECT_EQ(record.sessionsAlive, 0);
    EXPECT_EQ(record.messagesAlive, 0);
    EXPECT_FALSE(record.badHandle);
    EXPECT_EQ(libraries.open(), 0);
  }
  doubles::InProcessLibraries none(std::map<std::string, doubles::Exports>{});
  EXPECT_EQ(SendExtended(run_, false), HandOver::kFailed);
  EXPECT_EQ(LastLine(), "Error: failed to initialize MAPIEx");
}

std::vector<std::string> questions;
int transportCalls = 0;

bool AnswerNo(const char* caption, const char* text, unsigned flags) {
  questions.push_back(std::string(caption) + ": " + text + " flags=" + std::to_string(flags));
  return false;
}

int CountSend(const void* /*mail*/, char* error, std::size_t size) {
  ++transportCalls;
  std::snprintf(error, size, "the test's transport");
  return 0;
}

// Over SMTP what can fail without the server fails before the user is asked,
// and a No sends nothing. (Where the transport is linked in, not loaded, a
// send would reach for the server and end in an "SMTP error:" line.)
TEST_F(SendersTest, SmtpChecksComeBeforeTheQuestionAndTheQuestionBeforeTheServer) {
  test::ScopedOutside outside;
  outside->askYesNo = &AnswerNo;
  doubles::InProcessLibraries libraries(
      {{"J6MailerNet",
        {{"J6MailerNet_SendMail", reinterpret_cast<platform::EntryPoint>(&CountSend)},
         {"J6MailerNet_ProbeMailServer", reinterpret_cast<platform::EntryPoint>(&CountSend)},
         {"J6MailerNet_PostForm", reinterpret_cast<platform::EntryPoint>(&CountSend)},
         {"J6MailerNet_Request", reinterpret_cast<platform::EntryPoint>(&CountSend)},
         {"J6MailerNet_ReadKeyFile", reinterpret_cast<platform::EntryPoint>(&CountSend)},
         {"J6MailerNet_SignWithKeyFile", reinterpret_cast<platform::EntryPoint>(&CountSend)}}}});
  const std::string document = dir_.File("DOCA01");
  test::WriteFileBytes(document, "%PDF-1.4");
  const struct {
    const char* name;
    std::string documentPath;
    const char* lastLine;
    HandOver outcome;
    std::size_t questions;
  } cases[] = {
      {"document missing", dir_.File("absent"), "SMTP error: cannot open attachment ",
       HandOver::kFailed, 0},
      {"answered No", document, "MailWait User Cancel", HandOver::kCancelled, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    questions.clear();
    transportCalls = 0;
    run_.recipients.Assign("!anna@example.com;bruno@example.com");
    run_.smtp.server.Assign("smtp://localhost:1");
    run_.documentPath.Assign(c.documentPath);
    EXPECT_EQ(SendSmtp(run_, true), c.outcome);
    EXPECT_EQ(LastLine(), c.lastLine + (c.questions == 0 ? c.documentPath : std::string()));
    EXPECT_EQ(questions.size(), c.questions);
    EXPECT_EQ(transportCalls, 0);
  }
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0],
            "J6Mailer - Office 2007 Edition: Send this e-mail now?\n\nTo: "
            "!anna@example.com;bruno@example.com\nSubject: Fattura 17\n\nGentile cliente,\n"
            "Cordiali saluti flags=4132");
}

// Every [SMTP] setting a run refuses, the check program fails with the run's
// own reason: one table for both, so the two cannot drift apart.
TEST_F(SendersTest, SmtpSettingsRefusedByTheRunAndTheCheckAlike) {
  const struct {
    void (*set)(RunState& run);
    const char* reason;
  } cases[] = {
      {[](RunState& run) { run.smtp.overlong.Assign("SERVER"); }, "SERVER is too long"},
      {[](RunState& run) { run.smtp.server.Clear(); }, "no server"},
      {[](RunState& run) { run.smtp.server.Assign("smtp://u:p@x"); },
       "SERVER must not hold a user or password"},
      {[](RunState& run) { run.smtp.server.Assign("http://x"); },
       "not an smtp:// or smtps:// server: http://x"},
      {[](RunState& run) { run.smtp.helo.Assign("pc 7"); }, "HELO is not a host name: pc 7"},
      {[](RunState& run) { run.smtp.auth.Assign("BASIC"); },
       "AUTH is not PASSWORD or OAUTH2: BASIC"},
      {[](RunState& run) { run.smtp.auth.Assign("OAUTH2"); }, "AUTH=OAUTH2 needs USER"},
      {[](RunState& run) {
         run.smtp.auth.Assign("oauth2");
         run.smtp.user.Assign("u@x");
         run.smtpOAuth.tokenUrl.Assign("https://app:secret@x/t");
         run.smtpOAuth.clientId.Assign("app");
         run.smtpOAuth.grant.Assign("CLIENT_CREDENTIALS");
       },
       "TOKEN_URL must not hold a user or password"},
      {[](RunState& run) {
         run.smtp.auth.Assign("OAUTH2");
         run.smtp.user.Assign("u@x");
         run.smtpOAuth.tokenUrl.Assign("https://x/t");
         run.smtpOAuth.clientId.Assign("sa@x");
         run.smtpOAuth.grant.Assign("SERVICE_ACCOUNT");
       },
       "GRANT=SERVICE_ACCOUNT needs CLIENT_CERT: the key the service account signs with"},
      {[](RunState& run) { run.senderEmail.Clear(); }, "no sender address"},
      {[](RunState& run) { run.senderEmailCut = true; },
       "MailFromEmail is longer than 100 characters"},
      {[](RunState& run) {
         run.senderEmail.Clear();
         run.smtp.from.Assign("Ufficio vendite");
       },
       "the sender is not an address: Ufficio vendite"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    RunState& run = run_;
    const RunState composed = run;
    run.smtp.server.Assign("smtp://localhost:1");
    c.set(run);
    EXPECT_EQ(SendSmtp(run, false), HandOver::kFailed);
    EXPECT_EQ(LastLine(), std::string("SMTP error: ") + c.reason);
    check::Report report;
    check::CheckSmtp(run, report);
    const std::string line =
        std::string("[fail] ") + c.reason + ": every run ends in \"Email not sent.\"";
    EXPECT_NE(std::find(report.lines().begin(), report.lines().end(), line), report.lines().end());
    run = composed;
  }
  // The same of [GRAPH], whose OAuth keys are always needed.
  const std::remove_reference_t<decltype(cases[0])> graphCases[] = {
      {[](RunState& run) { run.graph.overlong.Assign("URL"); }, "URL is too long"},
      {[](RunState& run) { run.graph.user.Clear(); }, "MAPI=GRAPH needs USER"},
      {[](RunState& run) { run.graph.url.Assign("http://graph.x/v1.0"); }, "URL must be https://"},
      {[](RunState& run) { run.graph.url.Assign("https://u:p@graph.x/v1.0"); },
       "URL must not hold a user or password"},
      {[](RunState& run) { run.graphOAuth.tokenUrl.Clear(); }, "MAPI=GRAPH needs TOKEN_URL"},
      {[](RunState& run) { run.graphOAuth.grant.Assign("PASSWORD"); },
       "GRANT is not CLIENT_CREDENTIALS, REFRESH_TOKEN or SERVICE_ACCOUNT: PASSWORD"},
      {[](RunState& run) { run.graphOAuth.grant.Assign("service_account"); },
       "MAPI=GRAPH takes no GRANT=SERVICE_ACCOUNT: a service account mails through Google alone"},
      {[](RunState& run) { run.senderEmailCut = true; },
       "MailFromEmail is longer than 100 characters"},
      // The proxy of every HTTPS request, Graph's among them.
      {[](RunState& run) { run.overlong.Assign("PROXY"); }, "PROXY is too long"},
  };
  // SMTP without OAuth takes no proxy: an over-long one is none of its business.
  {
    RunState& run = run_;
    const RunState composed = run;
    run.smtp.server.Assign("smtp://localhost:1");
    run.overlong.Assign("PROXY");
    SmtpSession session;
    std::string sender;
    std::string error;
    EXPECT_TRUE(CheckSmtpSettings(run, &session, &sender, &error)) << error;
    run = composed;
  }
  for (const auto& c : graphCases) {
    SCOPED_TRACE(c.reason);
    RunState& run = run_;
    const RunState composed = run;
    run.graph.user.Assign("u@x");
    run.graphOAuth.tokenUrl.Assign("https://login.x/t");
    run.graphOAuth.clientId.Assign("app");
    run.graphOAuth.grant.Assign("CLIENT_CREDENTIALS");
    c.set(run);
    EXPECT_EQ(SendGraph(run, false), HandOver::kFailed);
    EXPECT_EQ(LastLine(), std::string("Graph error: ") + c.reason);
    check::Report report;
    check::CheckGraph(run, report);
    EXPECT_EQ(report.lines().back(),
              std::string("[fail] ") + c.reason + ": every run ends in \"Email not sent.\"");
    run = composed;
  }
}

// Every key too long for its field, read through the file, is its own
// section's to refuse, in the run and in the check alike; [MAILCLIENT]'s
// PROXY is refused by the route that takes a proxy (Graph), never by one
// that takes none.
TEST_F(SendersTest, EveryOverlongKeyIsRefusedByItsSection) {
  const RunState composed = run_;
  for (const ConfigKey& row : kConfigKeys) {
    if (row.rule != KeyRule::kWhole) continue;
    const std::string section = row.section;
    SCOPED_TRACE(section + " " + row.key);
    // The first key of a name counts: the over-long one leads its section.
    const auto lead = [&](const std::string& name) {
      return name == section
                 ? std::string(row.key) + "=" + std::string(row.capacity + 1, 'x') + "\n"
                 : std::string();
    };
    // The route of the section; [MAILCLIENT]'s PROXY is Graph's to refuse.
    HandOverKind kind = HandOverKind::kGraph;
    for (int i = 0; i < kRouteCount; ++i) {
      const char* own = RouteOf(static_cast<HandOverKind>(i)).section;
      if (own != nullptr && section == own) kind = static_cast<HandOverKind>(i);
    }
    const Route& route = RouteOf(kind);
    test::WriteFileBytes(
        dir_.File("cfg.ini"),
        "[MAILCLIENT]\n" + lead(kConfigSection) + "LOGFILE=" + dir_.File("run.log") +
            "\nMAPI=" + route.mapiValue + "\n[SMTP]\n" + lead(kSmtpSection) +
            "SERVER=smtp://localhost:1\n[GRAPH]\n" + lead(kGraphSection) +
            "USER=u@x\nTOKEN_URL=https://login.x/t\nCLIENT_ID=app\nGRANT=CLIENT_CREDENTIALS\n" +
            "[GMAIL]\n" + lead(kGmailSection) + "USER=u@x\nCLIENT_ID=app\nGRANT=REFRESH_TOKEN\n");
    run_ = composed;
    run_.configPath.Assign(dir_.File("cfg.ini"));
    LoadConfiguration(run_);
    EXPECT_EQ(row.overlong(run_).view(), row.key);
    const std::string reason = std::string(row.key) + " is too long";
    EXPECT_EQ(route.send(run_, false), HandOver::kFailed);
    const char* prefix = route.policy != nullptr ? route.policy->name : "SMTP";
    EXPECT_EQ(LastLine(), prefix + std::string(" error: ") + reason);
    check::Report report;
    check::RouteCheckOf(kind).check(run_, report);
    EXPECT_NE(std::find(report.lines().begin(), report.lines().end(),
                        "[fail] " + reason + ": every run ends in \"Email not sent.\""),
              report.lines().end());
  }
  run_ = composed;
}

// Replies go to the host's address only when the mail goes from another:
// an address is the same whatever the case of its letters.
TEST(ReplyTo, OnlyForAnotherAddressWhateverItsCase) {
  const struct {
    const char* from;  // FROM
    const char* host;  // "MailFromEmail"
    const char* replyTo;
  } cases[] = {
      {"uff@example.com", "uff@example.com", ""},
      {"Uff@Example.COM", "uff@example.com", ""},
      {"ced@example.com", "Ufficio <uff@example.com>", "uff@example.com"},
      {"ced@example.com", "", ""},
  };
  for (const auto& c : cases) {
    RunState run;
    run.smtp.from.Assign(c.from);
    run.senderEmail.Assign(c.host);
    std::string sender;
    std::string error;
    ASSERT_TRUE(ReadSender(run, run.smtp.from.view(), &sender, &error)) << error;
    EXPECT_EQ(ReplyAddress(run, sender), c.replyTo) << c.from << " " << c.host;
  }
}

// What Graph's answers and tokens hold, as the sender and the check read it.
TEST(GraphJson, AnswersAndTokens) {
  unsigned long long start = 0;
  EXPECT_TRUE(ReadNextStart(R"({"nextExpectedRanges": ["3932160-"]})", &start));
  EXPECT_EQ(start, 3932160u);
  EXPECT_TRUE(ReadNextStart(R"({"nextExpectedRanges": ["7864320"]})", &start));
  EXPECT_EQ(start, 7864320u);
  EXPECT_TRUE(ReadNextStart(R"({"nextExpectedRanges": ["12-99"]})", &start));
  EXPECT_EQ(start, 12u);
  EXPECT_FALSE(ReadNextStart(R"({"nextExpectedRanges": []})", &start));
  // As Microsoft's other page spells it; and a range from the start again.
  EXPECT_TRUE(ReadNextStart(R"({"NextExpectedRanges": ["0-"]})", &start));
  EXPECT_EQ(start, 0u);
  EXPECT_FALSE(ReadNextStart("not json", &start));
  EXPECT_EQ(GraphErrorText(R"({"error": {"code": "ErrorAccessDenied", "message": "No."}})"),
            "ErrorAccessDenied: No.");
  EXPECT_EQ(GraphErrorText("<html>"), "");
  EXPECT_EQ(platform::Utf8FromWindows1252("F\xE8ttura \x80"), "F\xC3\xA8ttura \xE2\x82\xAC");
  const struct {
    const char* payload;  // of the token's three parts, base64url
    bool readable;
    std::vector<std::string> permissions;
  } tokens[] = {
      // {"roles":["Mail.Send"]}
      {"eyJyb2xlcyI6WyJNYWlsLlNlbmQiXX0", true, {"Mail.Send"}},
      // {"scp":"Mail.Send Mail.ReadWrite"}
      {"eyJzY3AiOiJNYWlsLlNlbmQgTWFpbC5SZWFkV3JpdGUifQ", true, {"Mail.Send", "Mail.ReadWrite"}},
      {"bm90IGpzb24", false, {}},  // "not json"
  };
  for (const auto& t : tokens) {
    std::vector<std::string> permissions;
    EXPECT_EQ(ReadTokenPermissions(std::string("eyJhbGciOiJSUzI1NiJ9.") + t.payload + ".sig",
                                   &permissions),
              t.readable);
    EXPECT_EQ(permissions, t.permissions);
  }
  std::vector<std::string> none;
  EXPECT_FALSE(ReadTokenPermissions("at-opaque", &none));
}

// Each piece read as the Extended wrapper reads it, and only a mailbox goes
// into the envelope; a display name goes into To as the sender's into From.
TEST(SmtpRecipients, FollowTheGrammarOfPieces) {
  for (const test::RecipientPiece& row : test::kRecipientPieces) {
    SCOPED_TRACE(row.piece);
    std::string piece = row.piece;
    std::vector<mail::Recipient> recipients;
    std::string failure;
    const bool read = ReadRecipients({piece.data()}, &recipients, &failure);
    if (row.address == nullptr) {
      EXPECT_FALSE(read);
      EXPECT_EQ(failure, "not an address: " + piece);
      continue;
    }
    ASSERT_TRUE(read) << failure;
    ASSERT_EQ(recipients.size(), 1u);
    EXPECT_EQ(recipients[0].name, row.name);
    EXPECT_EQ(recipients[0].address, row.address);
    EXPECT_EQ(mail::ToHeader(recipients.data(), 1), std::string("To: ") + row.to);
  }
}

}  // namespace
}  // namespace j6
