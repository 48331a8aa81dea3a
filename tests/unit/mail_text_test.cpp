// The mail's text rules and the header texts of the SMTP hand-over. Encoded
// words and RFC 2231 parameters are decoded back here, so the rows check what
// a reader gets, not how the encoder goes about it.
#include "mail/mail_text.h"
#include "dispatch/smtp_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/address.h"
#include "mail/file_name.h"
#include "mail/line_breaks.h"

namespace j6 {
namespace {

std::vector<std::string> Lines(const std::string& header) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = header.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(header.substr(start, end - start));
  }
  lines.push_back(header.substr(start));
  return lines;
}

const std::string kWordStart = "=?windows-1252?Q?";

std::string DecodeQ(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=') {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i] == '_' ? ' ' : text[i];
    }
  }
  return out;
}

/// The value as an RFC 2047 reader shows it: lines unfolded, encoded words
/// decoded, the white space between two adjacent ones dropped.
std::string Decoded(const std::string& header) {
  std::string unfolded;
  for (const std::string& line : Lines(header)) unfolded += line;
  const std::string value = unfolded.substr(unfolded.find(':') + 2);
  std::string text;
  std::string gap;
  bool afterWord = false;
  for (std::size_t start = 0;;) {
    const std::size_t blank = value.find(' ', start);
    const std::string token = value.substr(start, blank - start);
    if (token.rfind(kWordStart, 0) == 0 && token.size() > kWordStart.size() + 1 &&
        token.compare(token.size() - 2, 2, "?=") == 0) {
      text += (afterWord ? "" : gap) +
              DecodeQ(token.substr(kWordStart.size(), token.size() - kWordStart.size() - 2));
      afterWord = true;
      gap.clear();
    } else if (!token.empty()) {
      text += gap + token;
      afterWord = false;
      gap.clear();
    }
    if (blank == std::string::npos) return text + gap;
    gap += ' ';
    start = blank + 1;
  }
}

void ExpectFoldedWithinLimits(const std::string& header) {
  for (const std::string& line : Lines(header)) {
    EXPECT_LE(line.size(), 78u) << line;
    for (std::size_t at = 0; (at = line.find(kWordStart, at)) != std::string::npos;) {
      const std::size_t end = line.find("?=", at + kWordStart.size()) + 2;
      EXPECT_LE(end - at, 75u) << line;
      at = end;
    }
  }
}

TEST(MailText, SubjectKeepsPlainWordsAndSplitsEncodedOnesAtBlanks) {
  const std::string long1252(50, '\xE8');
  std::string societa8 = "Societ\xE0";
  for (int i = 1; i < 8; ++i) societa8 += " Societ\xE0";
  const std::string societa = "=?windows-1252?Q?Societ=E0";
  const struct {
    std::string subject;
    std::string header;  // empty: only decoded and measured
  } cases[] = {
      {"Fattura 17", "Subject: Fattura 17"},
      {"Caff\xE8", "Subject: =?windows-1252?Q?Caff=E8?="},
      {"Fattura n\xB0 17 \xE8 pronta",
       "Subject: Fattura =?windows-1252?Q?n=B0?= 17 =?windows-1252?Q?=E8?= pronta"},
      {societa8, "Subject: " + societa + "_Societ=E0_Societ=E0_Societ=E0_Societ=E0_?=\r\n " +
                     societa + "_Societ=E0_Societ=E0?="},
      {"a  \xE8  b ", "Subject: a =?windows-1252?Q?_=E8_?= b "},
      // Text that reads like an encoded word must not be taken for one.
      {"=?x?B?QQ==?=", ""},
      {long1252, ""},
      {"Fattura n\xB0 17 del 08/12/2026 \x80 1.234,00 - Rossi & Figli S.r.l.", ""},
      {std::string(40, 'a') + " " + std::string(40, 'b'),
       "Subject: " + std::string(40, 'a') + "\r\n " + std::string(40, 'b')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subject);
    const std::string header = mail::TextHeader("Subject", c.subject);
    if (!c.header.empty()) {
      EXPECT_EQ(header, c.header);
    }
    EXPECT_EQ(Decoded(header), c.subject);
    ExpectFoldedWithinLimits(header);
  }
}

TEST(MailText, FromNamesTheSenderWhenThereIsAName) {
  const struct {
    const char* name;
    const char* header;
  } cases[] = {
      {"", "From: uff@example.com"},
      {"Ufficio", "From: \"Ufficio\" <uff@example.com>"},
      {"Ufficio \"Vendite\"", "From: \"Ufficio \\\"Vendite\\\"\" <uff@example.com>"},
      {"Caff\xE8", "From: =?windows-1252?Q?Caff=E8?= <uff@example.com>"},
      {"Societ\xE0 Rossi, Anna",
       "From: =?windows-1252?Q?Societ=E0_Rossi=2C?= Anna <uff@example.com>"},
  };
  for (const auto& c : cases) EXPECT_EQ(mail::FromHeader(c.name, "uff@example.com"), c.header);
}

// The SMTP envelope takes an RFC 5321 mailbox only; a mail client is handed
// whatever reads as an address and cannot be a name that bounces.
TEST(MailText, AddressRulesOfTheEnvelopeAndOfTheMailClient) {
  const struct {
    std::string text;
    bool mailbox;
    bool client;
  } cases[] = {
      {"anna@example.com", true, true},
      {"a@b", true, true},
      {"bruno", false, false},
      {"Anna Rossi", false, false},
      {"@example.com", false, false},
      {"anna@", false, false},
      {"@", false, false},
      {"", false, false},
      {"anna @example.com", false, false},
      {"anna rossi@example.com", false, false},
      {"anna@example.com ", false, false},
      {"an\tna@x.it", false, false},
      {"anna\t@example.com", false, false},
      {"anna@exam\x7fple.com", false, false},
      {"\"anna rossi\"@example.com", false, false},  // quoted blanks are blanks too
      {"<anna@x.it>", false, true},
      {"caff\xE8@x.it", false, true},
      {"o'neil.j6+fatture@mail-1.example.com", true, true},
      {".anna@x.it", false, true},
      {"anna.@x.it", false, true},
      {"anna@x..it", false, true},
      {"anna@-x.it", false, true},
      {"anna@x_y.it", false, true},
      {"anna@[192.0.2.1]", true, true},
      {"anna@[192.0.2.256]", false, true},
      {"anna@[IPv6:2001:db8::1]", true, true},
      {"anna@[]", false, true},
      {std::string(64, 'a') + "@x.it", true, true},
      {std::string(65, 'a') + "@x.it", false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(mail::IsMailbox(c.text), c.mailbox) << c.text;
    EXPECT_EQ(mail::IsClientAddress(c.text), c.client) << c.text;
  }
}

TEST(MailText, DateGivesTheWeekdayAndTheOffset) {
  const struct {
    platform::LocalTime time;
    const char* header;
  } cases[] = {
      {{2026, 12, 8, 6, 5, 1, 42, 60}, "Date: Tue, 08 Dec 2026 06:05:01 +0100"},
      {{2024, 2, 29, 23, 59, 59, 0, -330}, "Date: Thu, 29 Feb 2024 23:59:59 -0530"},
      {{2000, 1, 1, 0, 0, 0, 0, 0}, "Date: Sat, 01 Jan 2000 00:00:00 +0000"},
  };
  for (const auto& c : cases) EXPECT_EQ(mail::DateHeader(c.time), c.header);
}

TEST(MailText, AttachmentNamesAndTypes) {
  const struct {
    std::string name;
    const char* disposition;  // null: long, checked by decoding
    const char* type;
  } cases[] = {
      {"R1", "Content-Disposition: attachment; filename=\"R1\"", "application/octet-stream"},
      {"F2026-0117.PDF", "Content-Disposition: attachment; filename=\"F2026-0117.PDF\"",
       "application/pdf"},
      {"F\xE8ttura 17.pdf",
       "Content-Disposition: attachment; filename*=windows-1252''F%E8ttura%2017.pdf",
       "application/pdf"},
      {std::string(30, '\xE8') + ".xlsx", nullptr,
       "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {"listino.pdf.bin", "Content-Disposition: attachment; filename=\"listino.pdf.bin\"",
       "application/octet-stream"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string disposition = mail::AttachmentDisposition(c.name);
    EXPECT_STREQ(mail::AttachmentType(c.name), c.type);
    if (c.disposition != nullptr) {
      EXPECT_EQ(disposition, c.disposition);
      continue;
    }
    // Numbered sections, joined and unescaped, give the name back.
    std::string joined;
    for (const std::string& line : Lines(disposition)) {
      EXPECT_LE(line.size(), 78u);
      const std::size_t equals = line.find("*=");
      if (line.find("filename*") == std::string::npos || equals == std::string::npos) continue;
      std::string value = line.substr(equals + 2);
      if (value.back() == ';') value.pop_back();
      joined += value;
    }
    ASSERT_EQ(joined.rfind("windows-1252''", 0), 0u);
    std::string name;
    for (std::size_t i = 14; i < joined.size(); ++i) {
      if (joined[i] == '%') {
        name += static_cast<char>(std::stoi(joined.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        name += joined[i];
      }
    }
    EXPECT_EQ(name, c.name);
  }
}

TEST(MailText, ServerSettingBecomesAUrlWithItsPort) {
  const struct {
    const char* setting;
    const char* url;  // null: refused
  } cases[] = {
      {"smtp://mail.example.com", "smtp://mail.example.com:587"},
      {"smtps://mail.example.com", "smtps://mail.example.com:465"},
      {"SMTP://relay:25", "smtp://relay:25"},
      {"relay.local", "smtp://relay.local:587"},
      {"relay.local:25", "smtp://relay.local:25"},
      {"smtp://mail.example.com/j6.example.com", "smtp://mail.example.com:587/j6.example.com"},
      {"smtp://[::1]", "smtp://[::1]:587"},
      {"smtp://[::1]:2525", "smtp://[::1]:2525"},
      {"http://mail.example.com", nullptr},
      {"smtp://", nullptr},
  };
  for (const auto& c : cases) {
    std::string url;
    EXPECT_EQ(ServerUrl(c.setting, &url), c.url != nullptr) << c.setting;
    if (c.url != nullptr) {
      EXPECT_EQ(url, c.url);
    }
  }
}

TEST(MailText, BodyIsQuotedPrintableInLinesOf76) {
  std::string e8Line;
  for (int i = 0; i < 25; ++i) e8Line += "=E8";
  const struct {
    std::string text;
    std::string encoded;
  } cases[] = {
      {"Gentile cliente,\r\nCordiali saluti", "Gentile cliente,\r\nCordiali saluti"},
      // A blank that ends a line would be lost on the way.
      {"Caff\xE8 = 1 \r\nfine\t", "Caff=E8 =3D 1=20\r\nfine=09"},
      {std::string(100, 'a'), std::string(75, 'a') + "=\r\n" + std::string(25, 'a')},
      {std::string(26, '\xE8'), e8Line + "=\r\n=E8"},
      {"a\rb\n", "a=0Db=0A"},
  };
  for (const auto& c : cases) EXPECT_EQ(mail::QuotedPrintable(c.text), c.encoded) << c.text;
}

// A line feed is a line break, with or without its carriage return; a
// carriage return alone is none.
TEST(MailText, LineBreaksGoAsTheMailLibraryWantsThem) {
  const struct {
    const char* text;
    const char* crLf;
    const char* lf;
  } cases[] = {
      {"", "", ""},
      {"one line", "one line", "one line"},
      {"Gentile cliente,\nCordiali saluti", "Gentile cliente,\r\nCordiali saluti",
       "Gentile cliente,\nCordiali saluti"},
      {"\n", "\r\n", "\n"},
      {"\n\n", "\r\n\r\n", "\n\n"},
      {"end\n", "end\r\n", "end\n"},
      {"a\r\nb", "a\r\nb", "a\nb"},
      {"a\r\nb\n", "a\r\nb\r\n", "a\nb\n"},
      {"\r\n\n", "\r\n\r\n", "\n\n"},
      {"a\rb", "a\rb", "a\rb"},
      {"\r\r\n", "\r\r\n", "\r\n"},
      {"Line1\nLine2\r\nLine3\n\nEnd", "Line1\r\nLine2\r\nLine3\r\n\r\nEnd",
       "Line1\nLine2\nLine3\n\nEnd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(mail::LineBreaksAs(c.text, "\r\n"), c.crLf) << c.text;
    EXPECT_EQ(mail::LineBreaksAs(c.text, "\n"), c.lf) << c.text;
  }
}

// The host names a document by what follows its last backslash; Windows
// takes a slash too, and the Extended wrapper a drive's colon as well.
TEST(MailText, FileNamesByTheHostsRuleAndByWindows) {
  const struct {
    const char* path;
    const char* host;
    const char* windows;
    const char* afterDrive;
  } cases[] = {
      {"", "", "", ""},
      {"R1", "R1", "R1", "R1"},
      {"\\\\srv\\spool\\PRT\\R1", "R1", "R1", "R1"},
      {"\\\\server\\share\\a b.txt", "a b.txt", "a b.txt", "a b.txt"},
      {"C:\\Temp\\J6\\report.pdf", "report.pdf", "report.pdf", "report.pdf"},
      {"a\\b\\c.pdf", "c.pdf", "c.pdf", "c.pdf"},
      {"C:\\OUT\\", "", "", ""},
      {"C:/OUT/R1", "C:/OUT/R1", "R1", "R1"},  // to the host a slash is part of a name
      {"C:\\Temp/mixed\\last.doc", "last.doc", "last.doc", "last.doc"},
      {"C:report.pdf", "C:report.pdf", "C:report.pdf", "report.pdf"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(mail::HostFileName(c.path), c.host) << c.path;
    EXPECT_EQ(mail::WindowsFileName(c.path), c.windows) << c.path;
    EXPECT_EQ(mail::WindowsFileNameAfterDrive(c.path), c.afterDrive) << c.path;
  }
}

}  // namespace
}  // namespace j6
