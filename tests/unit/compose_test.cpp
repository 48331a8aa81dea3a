#include "dispatch/compose.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mail/attachment_name.h"
#include "mail/recipients.h"
#include "run/run_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/run_state_fixture.h"

namespace j6 {
namespace {

// A mail client saves an attachment under its name: it must be one file
// name Windows can create, whatever the server path holds.
TEST(AttachmentDisplayName, IsOneFileNameWindowsCanCreate) {
  const struct {
    const char* path;
    const char* name;
  } cases[] = {
      {"\\\\srv\\spool\\PRT\\R1", "R1"},
      {"FATTURE/F2026-0117.PDF", "F2026-0117.PDF"},
      {"C:\\OUT/sub\\R1.pdf", "R1.pdf"},
      {"a:b|c*.pdf", "a_b_c_.pdf"},
      {"rep.pdf::$DATA", "rep.pdf__$DATA"},
      {"<q>\"?\x01\t\xE0.pdf", "_q_____\xE0.pdf"},  // accented letters stay
      {"report. . ", "report"},
      {"COM1.pdf", "_COM1.pdf"},
      {"S\\aux", "_aux"},
      {"COM10.pdf", "COM10.pdf"},
      {"S\\", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(mail::AttachmentDisplayName(c.path), c.name) << c.path;
}

class ComposeTest : public test::RunStateTest {
 protected:
  void SetUp() override {
    test::RunStateTest::SetUp();
    LogToScratch();
    run_.record.bytes.fill(' ');
  }
  void SetOutputDevice(const std::string& device) {
    std::memcpy(run_.record.bytes.data() + AreaRecord::kOutputDevice.offset, device.data(),
                device.size());
  }
};

TEST_F(ComposeTest, BodyJoinsTheLinesThatAreNotBlank) {
  const struct {
    const char* line1;
    const char* line2;
    const char* line3;
    const char* body;
  } cases[] = {
      {"", "", "", "Vedi documento allegato - See attached file."},
      {"   ", "  ", " ", "Vedi documento allegato - See attached file."},
      {"one  ", "", "three ", "one\nthree"},
      {"one", "two", "three", "one\ntwo\nthree"},
      {"", "two", "", "\ntwo"},  // a blank first line still leads
      {"one", "", "", "one"},
  };
  for (const auto& c : cases) {
    RunState& run = run_;
    run.bodyLine1.Assign(c.line1);
    run.bodyLine2.Assign(c.line2);
    run.bodyLine3.Assign(c.line3);
    ComposeMail(run_);
    EXPECT_EQ(run.body.view(), c.body) << c.line1 << "|" << c.line2 << "|" << c.line3;
  }
}

TEST_F(ComposeTest, SubjectAndSenderAreTrimmedAndDefaulted) {
  RunState& run = run_;
  run.subject.Assign(std::string(50, ' '));
  run.senderName.Assign("Ufficio  ");
  run.recipients.Assign("!a@x;b@y   ");
  ComposeMail(run_);
  EXPECT_EQ(run.subject.view(), "Invio da J6");
  EXPECT_EQ(run.senderName.view(), "Ufficio");
  EXPECT_EQ(run.recipients.view(), "!a@x;b@y");
  run.subject.Assign("Fattura 17   ");
  ComposeMail(run_);
  EXPECT_EQ(run.subject.view(), "Fattura 17");
}

TEST_F(ComposeTest, SecondAttachmentPathComesFromTheSystemFolder) {
  const struct {
    const char* glDirSys;
    const char* name;
    const char* path;
  } cases[] = {
      {"?", "LOGO.PDF", "LOGO.PDF"},  // "GL_DirSys" absent: the name alone
      {"C:\\Docs", "A.PDF", "C:\\Docs\\A.PDF"},
      {"C:\\Docs\\", "A.PDF", "C:\\Docs\\A.PDF"},
      {"", "A.PDF", "A.PDF"},
      {"C:\\Docs", "", ""},  // no name: no second attachment
      {"C:\\Docs", "   ", ""},
      {"?x", "A.PDF", "A.PDF"},
  };
  for (const auto& c : cases) {
    run_.extraAttachmentPath.Assign(c.glDirSys);
    run_.extraAttachmentName.Assign(c.name);
    ComposeMail(run_);
    EXPECT_EQ(run_.extraAttachmentPath.view(), c.path) << c.glDirSys << " " << c.name;
  }
}

TEST_F(ComposeTest, MailWaitMarkerIsEightCharactersInAnyCase) {
  const struct {
    std::string device;
    bool wait;
    const char* logged;
  } cases[] = {
      {"*MAILWT ", true, "Stringa MailWait *MAILWT "},
      {"*mailwt ", true, "Stringa MailWait *mailwt "},
      {"*MAILWTX", false, "Stringa MailWait *MAILWTX"},
      {"*MAIL   ", false, "Stringa MailWait *MAIL   "},
      {std::string("*MAIL\0WT", 8), false, "Stringa MailWait *MAIL   "},
  };
  for (const auto& c : cases) {
    SetOutputDevice(c.device);
    EXPECT_EQ(ComposeMail(run_), c.wait) << c.logged;
  }
  const std::vector<std::string> lines =
      test::LogMessages(test::ReadFileBytes(dir_.File("run.log")));
  ASSERT_EQ(lines.size(), std::size(cases));
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], cases[i].logged);
}

TEST(SplitRecipients, CutsAtSeparatorsAfterALeadingBang) {
  const struct {
    const char* list;
    std::vector<std::string> pieces;
  } cases[] = {
      {"!a@x;b@y", {"a@x", "b@y"}},
      {"a@x; b@y  ;c", {"a@x", " b@y", "c"}},  // only trailing blanks go
      {";;a;;b;", {"a", "b"}},
      {"a; ;b", {"a", "", "b"}},  // a blank piece is an (empty) recipient
      {"!", {}},
      {";;;", {}},
      {"", {}},
      {"!!a", {"!a"}},
  };
  for (const auto& c : cases) {
    std::string list = c.list;
    const std::vector<char*> pieces = mail::SplitRecipients(list.data());
    EXPECT_EQ(std::vector<std::string>(pieces.begin(), pieces.end()), c.pieces) << c.list;
  }
  std::string list = "!a@x;b@y";
  mail::SplitRecipients(list.data());
  EXPECT_STREQ(list.c_str(), "!a@x");  // split in place
}

}  // namespace
}  // namespace j6
