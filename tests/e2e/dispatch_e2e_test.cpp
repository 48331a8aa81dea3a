// Whole runs from the command line to the mail client, through a MAPI32 and
// an Extended wrapper built for the tests that record what they are handed.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/e2e/request_run.h"
#include "tests/support/log_lines.h"

namespace j6::test {
namespace {

/// The lines from composition on.
std::vector<std::string> DispatchLines(const Outcome& outcome) {
  const auto skipped = static_cast<std::ptrdiff_t>(outcome.acquisitionLines.size());
  return std::vector<std::string>(outcome.lines.begin() + skipped, outcome.lines.end());
}

std::string NotSentBox(const std::string& text) {
  return "J6Mailer - Office 2007 Edition: Email not sent.\n\n" + text + "\n";
}

// The whole log of a typical request, from the settings to "Sent successfully".
TEST(Dispatch, TypicalRequestGoesThroughTheExtendedWrapper) {
  World world;
  world.mapiMode = "EXTENDED";
  world.libraries = {J6_DOUBLE_J6TFN_CDECL, J6_DOUBLE_MAPIEX};
  const Outcome outcome = RunRequest(world);
  const std::string local = outcome.netDir + "SPOOL\\DOCA01";
  EXPECT_EQ(outcome.acquisitionLines, TypicalAcquisitionLines(outcome.netDir));
  EXPECT_EQ(DispatchLines(outcome), (std::vector<std::string>{
                                        "Stringa MailWait *MAIL   ",
                                        "Use MAPIEX mode (0)",
                                        "MAPIEx Profile Name: Test Profile",
                                        "Mail From: Ufficio <uff@example.com>",
                                        "Send To: !anna@example.com;bruno@example.com",
                                        "Subject: Fattura 17",
                                        "Add Attachment: " + local + " [R1]",
                                        "Body: Gentile cliente,",
                                        "UNSTAMPED: Cordiali saluti",
                                        "Sent successfully",
                                    }));
  EXPECT_EQ(outcome.mapiexCalls, (std::vector<std::string>{
                                     "SessionNew()",
                                     "Init(1)",
                                     "Login(session,null)",
                                     "OpenMessageStore(session,null,513)",
                                     "GetProfileName(session)",
                                     "OpenOutbox(session,1)",
                                     "MessageNew()",
                                     "MessageCreate(message,session,2)",
                                     "SetSenderName(message,Ufficio)",
                                     "SetSenderEmail(message,uff@example.com)",
                                     "AddRecipient(message,anna@example.com,1)",
                                     "AddRecipient(message,bruno@example.com,1)",
                                     "SetSubject(message,Fattura 17)",
                                     "AddAttachment(message," + local + ",R1)",
                                     "SetBody(message,Gentile cliente,\\nCordiali saluti)",
                                     "Send(message)",
                                     "MessageDelete(message)",
                                     "Logout(session)",
                                     "Term()",
                                     "SessionDelete(session)",
                                 }));
  EXPECT_EQ(outcome.boxes, "");
}

TEST(Dispatch, SimpleRunHandsThePublishedStructures) {
  World world;
  world.glDirSys = "C:\\Docs";
  world.request.extraAttachmentName = "LOGO.PDF";
  const Outcome outcome = RunRequest(world);
  const std::string local = outcome.netDir + "SPOOL\\DOCA01";
  EXPECT_EQ(DispatchLines(outcome), (std::vector<std::string>{
                                        "Stringa MailWait *MAIL   ",
                                        "Use MAPI32 mode (0)",
                                        "Mail From: Ufficio <uff@example.com>",
                                        "Send To: !anna@example.com;bruno@example.com",
                                        "Subject: Fattura 17",
                                        "Message: Gentile cliente,",
                                        "UNSTAMPED: Cordiali saluti",
                                        "Attachment1: " + local + " [R1]",
                                        "Attachment2: C:\\Docs\\LOGO.PDF",
                                        "Sent successfully",
                                    }));
  EXPECT_EQ(outcome.mapiCalls,
            (std::vector<std::string>{
                "MAPISendMail session=0 ui=0 flags=1 reserved=0",
                "subject=Fattura 17",
                "note=Gentile cliente,\\nCordiali saluti",
                "originator class=0 name=Ufficio address=SMTP:uff@example.com",
                "recipient class=1 name=anna@example.com address=SMTP:anna@example.com",
                "recipient class=1 name=bruno@example.com address=SMTP:bruno@example.com",
                "file position=4294967295 path=" + local + " name=R1",
                "file position=4294967295 path=C:\\Docs\\LOGO.PDF name=(none)",
            }));
  EXPECT_EQ(outcome.boxes, "");
}

// How each library's answer ends a hand-over is tested in-process
// (tests/unit/senders_test.cpp); here the configuration's choice of path.
TEST(Dispatch, OnlyTheWholeWordExtendedChoosesTheWrapper) {
  const struct {
    const char* mapi;
    const char* mode;
  } cases[] = {{"Extended", "Use MAPIEX mode (0)"}, {"EXTENDEDX", "Use MAPI32 mode (0)"}};
  for (const auto& c : cases) {
    World world;
    world.mapiMode = c.mapi;
    world.libraries = {J6_DOUBLE_J6TFN_CDECL, J6_DOUBLE_MAPI32, J6_DOUBLE_MAPIEX};
    const Outcome outcome = RunRequest(world);
    const std::vector<std::string> dispatch = DispatchLines(outcome);
    ASSERT_GE(dispatch.size(), 2u) << c.mapi;
    EXPECT_EQ(dispatch[1], c.mode);
    EXPECT_EQ(dispatch.back(), "Sent successfully");
    EXPECT_EQ(outcome.boxes, "");
  }
}

// Every piece of the list goes, on both paths: a list cut short would mail
// some of its people while "Send To:" names them all.
TEST(Dispatch, EveryRecipientGoesOnBothPaths) {
  World world;
  world.request.recipients = "a;b;c;d;e;f;g;h;i;j;k;l; ;m@x";
  world.senderName.clear();  // no originator, though the e-mail is set
  Outcome simple = RunRequest(world);
  std::vector<std::string> recipients;
  for (const std::string& line : simple.mapiCalls) {
    if (line.rfind("recipient ", 0) == 0) recipients.push_back(line);
    EXPECT_NE(line.rfind("originator", 0), 0u) << line;
  }
  ASSERT_EQ(recipients.size(), 14u);
  EXPECT_EQ(recipients[0], "recipient class=1 name=a address=(none)");
  EXPECT_EQ(recipients[11], "recipient class=1 name=l address=(none)");
  EXPECT_EQ(recipients[12], "recipient class=1 name= address=(none)");
  EXPECT_EQ(recipients[13], "recipient class=1 name=m@x address=SMTP:m@x");

  world.mapiMode = "EXTENDED";
  world.libraries = {J6_DOUBLE_J6TFN_CDECL, J6_DOUBLE_MAPIEX};
  const Outcome extended = RunRequest(world);
  std::vector<std::string> added;
  for (const std::string& line : extended.mapiexCalls) {
    if (line.rfind("AddRecipient", 0) == 0) added.push_back(line);
    EXPECT_NE(line.rfind("SetSender", 0), 0u) << line;
  }
  ASSERT_EQ(added.size(), 14u);
  EXPECT_EQ(added[12], "AddRecipient(message,,1)");
  EXPECT_EQ(added[13], "AddRecipient(message,m@x,1)");
}

// Named pieces read as the other paths read them; a plain one as always.
TEST(Dispatch, SimpleMapiReadsNamedPieces) {
  World world;
  world.request.recipients = "A B <a@x.it>;SMTP:b@y; c@z";
  const Outcome outcome = RunRequest(world);
  std::vector<std::string> recipients;
  for (const std::string& line : outcome.mapiCalls) {
    if (line.rfind("recipient ", 0) == 0) recipients.push_back(line);
  }
  EXPECT_EQ(recipients, (std::vector<std::string>{
                            "recipient class=1 name=A B address=SMTP:a@x.it",
                            "recipient class=1 name=b@y address=SMTP:b@y",
                            "recipient class=1 name= c@z address=SMTP: c@z",
                        }));
}

// Without network mode there is no document: neither path hands over an
// attachment without a file, but a second attachment still goes.
TEST(Dispatch, NetworkModeOffLeavesTheDocumentOut) {
  World world;
  world.winNet = "no";
  world.glDirSys = "C:\\Docs\\";
  world.request.extraAttachmentName = "A.PDF";
  const Outcome simple = RunRequest(world);
  std::vector<std::string> files;
  for (const std::string& line : simple.mapiCalls) {
    if (line.rfind("file ", 0) == 0) files.push_back(line);
  }
  EXPECT_EQ(files,
            std::vector<std::string>{"file position=4294967295 path=C:\\Docs\\A.PDF name=(none)"});
  for (const std::string& line : simple.lines) EXPECT_NE(line.rfind("Attachment1", 0), 0u);

  world.mapiMode = "EXTENDED";
  world.libraries = {J6_DOUBLE_J6TFN_CDECL, J6_DOUBLE_MAPIEX};
  const Outcome extended = RunRequest(world);
  std::vector<std::string> attachments;
  for (const std::string& line : extended.mapiexCalls) {
    if (line.rfind("AddAttachment", 0) == 0) attachments.push_back(line);
  }
  EXPECT_EQ(attachments, std::vector<std::string>{"AddAttachment(message,C:\\Docs\\A.PDF,null)"});
}

// A mail client saves an attachment under the name it is handed: one file
// name Windows can create. The log keeps the name as the run built it.
TEST(Dispatch, DocumentGoesUnderAFileNameWindowsCanCreate) {
  const struct {
    const char* documentRef;
    const char* logged;
    const char* handed;
  } cases[] = {
      {"FATTURE/F2026-0117.PDF", "FATTURE/F2026-0117.PDF", "F2026-0117.PDF"},
      {"C:\\OUT\\a:b|c*.pdf", "a:b|c*.pdf", "a_b_c_.pdf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.documentRef);
    World world;
    world.request.documentRef = c.documentRef;
    const Outcome simple = RunRequest(world);
    const std::string local = simple.netDir + "SPOOL\\DOCA01";
    EXPECT_EQ(StartingWith(simple.lines, "Attachment1"),
              std::vector<std::string>{"Attachment1: " + local + " [" + c.logged + "]"});
    EXPECT_EQ(
        StartingWith(simple.mapiCalls, "file "),
        std::vector<std::string>{"file position=4294967295 path=" + local + " name=" + c.handed});

    world.mapiMode = "EXTENDED";
    world.libraries = {J6_DOUBLE_J6TFN_CDECL, J6_DOUBLE_MAPIEX};
    const Outcome extended = RunRequest(world);
    EXPECT_EQ(StartingWith(extended.mapiexCalls, "AddAttachment"),
              std::vector<std::string>{"AddAttachment(message," + extended.netDir +
                                       "SPOOL\\DOCA01," + c.handed + ")"});
  }
}

// The record names a file of the "GL_DirSys" folder: a name that is a path
// attached a file outside it, or had the mail client open a share.
TEST(Dispatch, SecondAttachmentNameThatIsAPathIsRefused) {
  const struct {
    const char* name;
    const char* glDirSys;
  } cases[] = {{"..\\secret.txt", "C:\\Docs"}, {"\\\\10.9.9.9\\s\\x", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    world.glDirSys = c.glDirSys;
    world.request.extraAttachmentName = c.name;
    const Outcome outcome = RunRequest(world);
    EXPECT_EQ(StartingWith(outcome.acquisitionLines, "J6FTPara: attachment"),
              std::vector<std::string>{std::string("J6FTPara: attachment name refused ") + c.name});
    EXPECT_EQ(StartingWith(outcome.lines, "Attachment2"), std::vector<std::string>{});
    EXPECT_EQ(StartingWith(outcome.mapiCalls, "file ").size(), 1u);
    ASSERT_FALSE(outcome.lines.empty());
    EXPECT_EQ(outcome.lines.back(), "Sent successfully");
    EXPECT_EQ(outcome.boxes, "");
  }
}

TEST(Dispatch, NotSentBoxShowsThreeBodyLinesAndTheWholeList) {
  World world;
  world.request.bodyLine2 = "in allegato la fattura.";
  world.request.subject = "";
  world.mapiResult = "2";
  const Outcome outcome = RunRequest(world);
  EXPECT_EQ(outcome.boxes,
            NotSentBox("To: !anna@example.com;bruno@example.com\nSubject: Invio da J6\n\n"
                       "Gentile cliente,\nin allegato la fattura.\nCordiali saluti"));
}

#ifdef J6_REAL_MAPIEX
// The Windows wrapper over Extended MAPI: under Wine, which has no mail
// profile, it loads and cannot log on.
TEST(Dispatch, RealWrapperWithoutAProfileFailsToInitialize) {
  World world;
  world.mapiMode = "EXTENDED";
  world.libraries = {J6_DOUBLE_J6TFN_CDECL, J6_REAL_MAPIEX};
  const Outcome outcome = RunRequest(world);
  ASSERT_FALSE(outcome.lines.empty());
  EXPECT_EQ(outcome.lines[outcome.lines.size() - 2], "Use MAPIEX mode (0)");
  EXPECT_EQ(outcome.lines.back(), "Error: failed to initialize MAPIEx");
  EXPECT_EQ(outcome.boxes, NotSentBox("To: !anna@example.com;bruno@example.com\nSubject: "
                                      "Fattura 17\n\nGentile cliente,\nCordiali saluti"));
}
#endif

}  // namespace
}  // namespace j6::test
