// The outbox writer, read back through GMime as a mail client would.
#include "standins/outbox.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <string>

#include "emulation/posix_path.h"
#include "tests/standins/eml_reader.h"
#include "tests/standins/outbox_fixture.h"
#include "tests/support/digest.h"

namespace j6::test {
namespace {

using outbox::Deliver;
using outbox::Message;

/// Every byte value, so that no encoding step may lose or change one.
std::string AllBytes() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  return bytes + "\r\n\n\r";
}

std::string Repeated(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

Message OneRecipient() {
  Message message;
  message.recipients = {{"Anna", "anna@example.com"}};
  message.subject = "Report";
  message.body = "Text";
  return message;
}

/// `size` bytes of every value in no order, written a megabyte at a time so
/// that the test itself never holds them all; the file's path.
std::string WriteNoise(const std::string& path, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::string chunk(1 << 20, '\0');
  std::uint32_t state = 2463534242U;
  for (std::size_t left = size; file != nullptr && left > 0;) {
    for (char& c : chunk) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      c = static_cast<char>(state);
    }
    const std::size_t count = std::min(left, chunk.size());
    std::fwrite(chunk.data(), 1, count, file);
    left -= count;
  }
  if (file != nullptr) std::fclose(file);
  return path;
}

/// Kilobytes this process holds in memory now.
long ResidentKb() {
  long pages = 0;
  long resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct ChildRun {
  int status = -1;  // its exit status; -1 when it did not exit
  /// Its peak memory beyond what it held as it started; unknown: the most.
  long growthKb = std::numeric_limits<long>::max();
};

/// Runs `body` in a child process of its own, and learns from the system how
/// much memory the child held at most.
ChildRun InChild(const std::function<int()>& body) {
  int channel[2];
  if (pipe(channel) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    const long start = ResidentKb();
    if (write(channel[1], &start, sizeof start) != sizeof start) _exit(126);
    _exit(body());
  }
  close(channel[1]);
  long start = 0;
  const bool told = pid > 0 && read(channel[0], &start, sizeof start) == sizeof start;
  close(channel[0]);
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)) return {};
  ChildRun run;
  run.status = WEXITSTATUS(status);
  if (told) run.growthKb = usage.ru_maxrss - start;
  return run;
}

EmlMessage DeliverAndRead(const Message& message) {
  std::string file;
  EXPECT_EQ(Deliver(message, &file), 0u);
  const std::optional<EmlMessage> eml = ReadEml(file);
  EXPECT_TRUE(eml.has_value()) << file;
  return eml.value_or(EmlMessage{});
}

TEST_F(OutboxTest, WritesSenderRecipientsSubjectBodyAndAttachments) {
  const std::string binary = AllBytes();
  Message message;
  message.sender = outbox::Mailbox{"Mario Rossi", "mario@example.com"};
  message.recipients = {{"Anna Bianchi", "anna@example.com"}, {"", "bob@example.com"}};
  message.subject = "Citt\xe0";
  message.body = "Prima riga\nSeconda \xe8 riga, lunga " + std::string(90, 'x') + "\n\nUltima\n";
  message.attachments = {{PutOnDriveC("docs/report.bin", binary), "Relazione.pdf"},
                         {PutOnDriveC("notes.txt", "plain\n"), ""}};

  std::string file;
  ASSERT_EQ(Deliver(message, &file), 0u);
  EXPECT_EQ(OutboxFiles(outbox_), std::vector<std::string>{file});
  const std::optional<EmlMessage> eml = ReadEml(file);
  ASSERT_TRUE(eml.has_value());

  EXPECT_EQ(eml->Header("From"), "Mario Rossi <mario@example.com>");
  const std::string to = eml->Header("To").value_or("");
  EXPECT_NE(to.find("Anna Bianchi <anna@example.com>"), std::string::npos) << to;
  EXPECT_NE(to.find("bob@example.com"), std::string::npos) << to;
  EXPECT_EQ(eml->Header("Subject"), "Citt\xc3\xa0");
  EXPECT_TRUE(eml->Header("Date").has_value());
  EXPECT_EQ(eml->Header("Message-ID").value_or("").front(), '<');
  EXPECT_EQ(eml->Header("MIME-Version"), "1.0");
  EXPECT_FALSE(eml->Header("X-Unsent").has_value());

  EXPECT_EQ(eml->bodyCharset, "windows-1252");
  EXPECT_EQ(eml->body, message.body);
  ASSERT_EQ(eml->attachments.size(), 2u);
  EXPECT_EQ(eml->attachments[0].name, "Relazione.pdf");
  EXPECT_EQ(eml->attachments[0].bytes, binary);
  EXPECT_EQ(eml->attachments[1].name, "notes.txt");
  EXPECT_EQ(eml->attachments[1].bytes, "plain\n");

  // On the wire: CR LF line ends only, 7-bit encodings for 8-bit content.
  for (std::size_t at = eml->raw.find('\n'); at != std::string::npos;
       at = eml->raw.find('\n', at + 1)) {
    ASSERT_TRUE(at > 0 && eml->raw[at - 1] == '\r') << "bare line feed at " << at;
  }
  EXPECT_NE(eml->raw.find("Content-Transfer-Encoding: quoted-printable"), std::string::npos);
  EXPECT_NE(eml->raw.find("Content-Transfer-Encoding: base64"), std::string::npos);
  EXPECT_NE(eml->raw.find("\r\nSubject: =?"), std::string::npos);
}

TEST_F(OutboxTest, SubjectTurnsWindows1252IntoUnicode) {
  const struct {
    const char* windows1252;
    const char* utf8;
  } cases[] = {
      {"plain ASCII", "plain ASCII"},
      {"Citt\xe0 \xfc\xff", "Citt\xc3\xa0 \xc3\xbc\xc3\xbf"},
      {"\x80 100 \x85", "\xe2\x82\xac 100 \xe2\x80\xa6"},
      {"\x93quoted\x94 \x8a\x9f", "\xe2\x80\x9cquoted\xe2\x80\x9d \xc5\xa0\xc5\xb8"},
  };
  for (const auto& c : cases) {
    Message message = OneRecipient();
    message.subject = c.windows1252;
    EXPECT_EQ(DeliverAndRead(message).Header("Subject"), c.utf8) << c.windows1252;
  }
}

/// Mail readers may refuse an encoded word over 75 characters or a header
/// line over 78 (RFC 2047, RFC 5322); long texts must be split and folded,
/// with runs of non-ASCII letters, and two-byte characters in UTF-8 among them.
TEST_F(OutboxTest, LongNonAsciiHeadersFoldIntoShortEncodedWords) {
  Message message;
  message.sender = outbox::Mailbox{"Societ\xe0 Cooperativa \xc0lpina \x96 Produzione, Lavoro",
                                   "fatture@example.com"};
  message.recipients = {{"Jos\xe9 \xd1u\xf1"
                         "ez",
                         "jose@example.com"},
                        {"Anna", "anna@example.com"},
                        {std::string(50, '\xe8'), "e@example.com"}};
  message.subject =
      "Fattura \x80 " + std::string(60, '\xe0') + " citt\xe0 pi\xf9 " + std::string(100, 'x');
  message.body = "Text";
  const EmlMessage eml = DeliverAndRead(message);

  EXPECT_EQ(eml.Header("Subject"), "Fattura \xe2\x82\xac " + Repeated("\xc3\xa0", 60) +
                                       " citt\xc3\xa0 pi\xc3\xb9 " + std::string(100, 'x'));
  EXPECT_EQ(eml.Header("From"),
            "Societ\xc3\xa0 Cooperativa \xc3\x80lpina \xe2\x80\x93 Produzione, Lavoro "
            "<fatture@example.com>");
  EXPECT_EQ(eml.Header("To"),
            "Jos\xc3\xa9 \xc3\x91u\xc3\xb1"
            "ez <jose@example.com>, Anna <anna@example.com>, " +
                Repeated("\xc3\xa8", 50) + " <e@example.com>");
  const std::string head = eml.raw.substr(0, eml.raw.find("\r\n\r\n") + 2);
  for (std::size_t start = 0, end; (end = head.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    const std::string line = head.substr(start, end - start);
    EXPECT_LE(line.size(), 78u) << line;
    for (std::size_t word = line.find("=?"); word != std::string::npos;
         word = line.find("=?", word + 2)) {
      const std::size_t close = line.find("?=", line.find('?', line.find('?', word + 2) + 1) + 1);
      ASSERT_NE(close, std::string::npos) << line;
      EXPECT_LE(close + 2 - word, 75u) << line.substr(word, close + 2 - word);
      word = close;
    }
  }
}

TEST_F(OutboxTest, OnlyADraftIsMarkedUnsent) {
  const struct {
    bool draft;
    bool withRecipient;
    std::optional<std::string> unsent;
  } cases[] = {
      {false, true, std::nullopt},
      {true, true, "1"},
      {true, false, "1"},  // the user adds the recipients in the mail client
  };
  for (const auto& c : cases) {
    Message message = OneRecipient();
    message.draft = c.draft;
    if (!c.withRecipient) message.recipients.clear();
    const EmlMessage eml = DeliverAndRead(message);
    EXPECT_EQ(eml.Header("X-Unsent"), c.unsent) << c.draft << c.withRecipient;
    EXPECT_EQ(eml.Header("To").has_value(), c.withRecipient);
  }
}

TEST_F(OutboxTest, AFailedCheckWritesNothing) {
  const std::string regularFile = dir_.File("file");
  WriteFileBytes(regularFile, "x");
  const std::string attachment = PutOnDriveC("present.txt", "here");
  const auto missingFile = [](Message* m) { m->attachments.push_back({"C:\\absent.txt", ""}); };
  const auto noAddress = [](Message* m) { m->recipients.push_back({"anna@example.com", ""}); };
  // A regular file that opens and fails at its first read.
  const auto unreadable = [](Message* m) { m->attachments.push_back({"/proc/self/mem", ""}); };
  const struct {
    const char* name;
    std::function<void(Message*)> change;
    std::string outbox;
    mapi::ULONG result;
  } cases[] = {
      {"missing attachment", missingFile, outbox_, 11},
      {"attachment path empty",
       [](Message* m) {
         m->attachments.push_back({"", "a.txt"});
       },
       outbox_, 11},
      {"attachment is a folder",
       [](Message* m) {
         m->attachments.push_back({"C:\\", "c"});
       },
       outbox_, 11},
      {"attachment that cannot be read", unreadable, outbox_, 11},
      {"recipient without address", noAddress, outbox_, 14},
      {"no recipient", [](Message* m) { m->recipients.clear(); }, outbox_, 25},
      {"outbox under a file", [](Message*) {}, regularFile + "/outbox", 2},
      {"attachments are checked first",
       [&](Message* m) {
         missingFile(m);
         noAddress(m);
       },
       outbox_, 11},
      {"an attachment is read before the recipients are checked",
       [&](Message* m) {
         unreadable(m);
         noAddress(m);
       },
       outbox_, 11},
      {"recipients before the outbox", noAddress, regularFile + "/outbox", 14},
  };
  for (const auto& c : cases) {
    const ScopedEnv outboxEnv("J6MAILER_OUTBOX", c.outbox.c_str());
    Message message = OneRecipient();
    message.attachments = {{attachment, ""}};
    c.change(&message);
    std::string file = "untouched";
    EXPECT_EQ(Deliver(message, &file), c.result) << c.name;
    EXPECT_EQ(file, "untouched") << c.name;
    EXPECT_EQ(OutboxEntries(), 0u) << c.name;
    EXPECT_EQ(ReadFileBytes(regularFile), "x");
  }
}

/// A document of any size streams from its file through the encoder into
/// the message: the process never holds it whole.
TEST_F(OutboxTest, StreamsALargeAttachmentByteExactInLittleMemory) {
  constexpr std::size_t kSize = 50 << 20;
  std::filesystem::create_directories(dir_.path() / "drives" / "c");
  const std::string source = WriteNoise(dir_.File("drives/c/large.pdf"), kSize);
  Message message = OneRecipient();
  message.attachments = {{"C:\\large.pdf", ""}};

  const ChildRun run = InChild([&] { return static_cast<int>(Deliver(message)); });
  EXPECT_EQ(run.status, 0);
  EXPECT_LT(run.growthKb, 16 << 10) << "a 50 MB attachment read whole";

  const std::vector<std::string> files = OutboxFiles(outbox_);
  ASSERT_EQ(files.size(), 1u);
  const std::optional<EmlMessage> eml = ReadEml(files[0]);
  ASSERT_TRUE(eml.has_value());
  ASSERT_EQ(eml->attachments.size(), 1u);
  EXPECT_EQ(Digest(eml->attachments[0].bytes), Digest(ReadFileBytes(source)));
}

/// A disk that fills while the message is written fails it as an outbox
/// that cannot be written, and the part written is removed, wherever the
/// message is cut.
TEST_F(OutboxTest, AMessageCutShortLeavesNothing) {
  Message message = OneRecipient();
  message.attachments = {{PutOnDriveC("report.pdf", std::string(1 << 20, 'x')), ""}};
  std::string whole;
  ASSERT_EQ(Deliver(message, &whole), 0u);
  const auto size = static_cast<rlim_t>(std::filesystem::file_size(whole));
  std::filesystem::remove(whole);
  const struct {
    const char* name;
    rlim_t room;
  } cases[] = {
      {"in the attachment", 64 << 10},
      {"in its closing line", size - 10},
  };
  for (const auto& c : cases) {
    const ChildRun run = InChild([&] {
      std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
      const struct rlimit limit = {c.room, c.room};
      setrlimit(RLIMIT_FSIZE, &limit);
      return static_cast<int>(Deliver(message));
    });
    EXPECT_EQ(run.status, 2) << c.name;
    EXPECT_EQ(OutboxEntries(), 0u) << c.name;
  }
}

TEST_F(OutboxTest, EachMessageGetsAFileOfItsOwnInTheOrderWritten) {
  std::vector<std::string> written;
  for (const char* subject : {"one", "two", "three"}) {
    Message message = OneRecipient();
    message.subject = subject;
    std::string file;
    ASSERT_EQ(Deliver(message, &file), 0u);
    written.push_back(file);
  }
  EXPECT_EQ(OutboxFiles(outbox_), written);
  EXPECT_EQ(OutboxEntries(), written.size());  // no temporary file left behind
  EXPECT_EQ(ReadEml(written[2])->Header("Subject"), "three");
}

TEST(OutboxFolder, FallsBackToTheUsersDataFolder) {
  const struct {
    const char* outbox;
    const char* dataHome;
    const char* folder;
  } cases[] = {
      {"/srv/out", "/data", "/srv/out"},
      {nullptr, "/data", "/data/j6mailer/outbox"},
      {"", nullptr, "/home/u/.local/share/j6mailer/outbox"},
  };
  const ScopedEnv home("HOME", "/home/u");
  for (const auto& c : cases) {
    const ScopedEnv outboxEnv("J6MAILER_OUTBOX", c.outbox);
    const ScopedEnv dataEnv("XDG_DATA_HOME", c.dataHome);
    EXPECT_EQ(platform::OutboxFolder(), c.folder);
  }
}

}  // namespace
}  // namespace j6::test
