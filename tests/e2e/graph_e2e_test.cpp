// Whole runs that hand the mail to the HTTPS mail APIs as the test server
// plays them (tests/smtp/graph_api.py, gmail_api.py), signed in at its token
// endpoint.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "dispatch/gmail_settings.h"
#include "oauth/token_store.h"
#include "platform/certificate_store.h"
#include "tests/e2e/program.h"
#include "tests/e2e/request_run.h"
#include "tests/e2e/smtp_server.h"
#include "tests/support/digest.h"
#include "tests/support/environment.h"
#include "tests/support/registry_import.h"
#include "tests/support/stored_password.h"
#include "tests/support/temp_dir.h"

namespace j6::test {
namespace {

std::string GmailUrl() { return "https://localhost:" + SmtpServerPort("https"); }
std::string GraphUrl() { return GmailUrl() + "/graph/v1.0"; }

/// A request of the test `tag` sent as the mailbox "<tag>@example.com",
/// whose words tell the Graph server how to answer; app-only sign-in with
/// the client secret stored in `store`.
World GraphWorld(const std::string& tag, const TempDir& store) {
  World world;
  world.mapiMode = "graph";
  world.libraries = {J6_DOUBLE_J6TFN_CDECL};
  if (*J6_NET_TRANSPORT != '\0') world.libraries.push_back(J6_NET_TRANSPORT);
  world.senderEmail = SenderFor(tag);
  const std::string client = "j6-graph-" + tag;
  world.smtpSettings = "[GRAPH]\r\nURL=" + GraphUrl() + "\r\nUSER=" + tag +
                       "@example.com\r\nCAFILE=" + SmtpServerFile("ca.pem") +
                       "\r\nTOKEN_URL=https://localhost:" + SmtpServerPort("https") +
                       "/oauth/token\r\nCLIENT_ID=" + client + "\r\nGRANT=CLIENT_CREDENTIALS\r\n";
  const std::string folder = store.path().string();
  world.prepare = [client, folder](const InstalledProgram&) {
    ASSERT_TRUE(
        StorePassword("oauth:" + client, "localhost", client, "Cl+ient&secret=7 \xC3\xA8", folder));
  };
  return world;
}

/// The same for Gmail's API, signed in with a refresh token stored for it;
/// `more` goes first in [GMAIL].
World GmailWorld(const std::string& tag, const std::string& more = "") {
  World world;
  world.mapiMode = "gmail";
  world.libraries = {J6_DOUBLE_J6TFN_CDECL};
  if (*J6_NET_TRANSPORT != '\0') world.libraries.push_back(J6_NET_TRANSPORT);
  world.senderEmail = SenderFor(tag);
  RunState run;
  run.gmail.url.Assign(GmailUrl());
  run.gmail.user.Assign(tag + "@example.com");
  run.gmailOAuth.tokenUrl.Assign(GmailUrl() + "/oauth/token");
  run.gmailOAuth.clientId.Assign("j6-gmail-" + tag);
  const oauth::OAuthClient client = GmailOAuthClient(run);
  world.smtpSettings = "[GMAIL]\r\n" + more + "URL=" + GmailUrl() + "\r\nUSER=" + client.user +
                       "\r\nCAFILE=" + SmtpServerFile("ca.pem") +
                       "\r\nTOKEN_URL=" + client.tokenUrl + "\r\nCLIENT_ID=" + client.clientId +
                       "\r\nGRANT=REFRESH_TOKEN\r\n";
  std::string error;
  EXPECT_TRUE(oauth::StoreTokens(
      client, {"seed-" + tag, "", 0, client.tokenUrl, client.clientId, ""}, &error))
      << error;
  return world;
}

/// `line` is `expected`, or begins with it where that ends in "*".
bool Matches(const std::string& line, const std::string& expected) {
  if (expected.empty() || expected.back() != '*') return line == expected;
  return line.rfind(expected.substr(0, expected.size() - 1), 0) == 0;
}

/// The same request of the test `tag` over SMTP, to the plain server.
World PlainSmtpWorld(const std::string& tag) {
  World world;
  world.mapiMode = "SMTP";
  world.libraries = {J6_DOUBLE_J6TFN_CDECL};
  if (*J6_NET_TRANSPORT != '\0') world.libraries.push_back(J6_NET_TRANSPORT);
  world.senderEmail = SenderFor(tag);
  world.smtpSettings = "SERVER=" + SmtpServerUrl("plain") + "\r\nTLS=NONE\r\n";
  return world;
}

/// The message as it arrived, its boundary, date and id made alike.
std::string Normalized(const std::string& sender, int number) {
  std::string text = ReadFileBytes(
      SmtpServerFile("mail/" + sender + "/" + std::to_string(number) + "/message.eml"));
  text = std::regex_replace(text, std::regex("=_J6_[0-9a-f]+"), "=_J6_B");
  text = std::regex_replace(text, std::regex("Date: [^\r]*"), "Date: D");
  return std::regex_replace(text, std::regex("Message-ID: [^\r]*"), "Message-ID: M");
}

// The same request over SMTP and over Graph: the same bytes arrive.
TEST(Graph, SmallMailIsTheMessageSmtpSends) {
  const TempDir store;
  SetEnvironment("J6MAILER_SECRETS", store.File("secrets"));
  World smtp = PlainSmtpWorld("g-same");
  smtp.request.subject = "Fattura n\xB0 17 \xE8 pronta";
  ASSERT_EQ(RunRequest(smtp).lines.back(), "Sent successfully");

  World graph = GraphWorld("g-same", store);
  graph.request.subject = smtp.request.subject;
  const Outcome outcome = RunRequest(graph);
  const auto mode = std::find(outcome.lines.begin(), outcome.lines.end(), "Use GRAPH mode (0)");
  ASSERT_NE(mode, outcome.lines.end());
  EXPECT_EQ(mode[1], "Graph: " + GraphUrl() + " as g-same@example.com");
  EXPECT_EQ(outcome.lines.back(), "Sent successfully");
  EXPECT_EQ(outcome.boxes, "");
  const std::vector<ReceivedMail> mails = MailFrom(SenderFor("g-same"));
  ASSERT_EQ(mails.size(), 2u);
  EXPECT_EQ(mails[1].envelope[0], "graph: sendMail");
  EXPECT_EQ(Normalized(SenderFor("g-same"), 2), Normalized(SenderFor("g-same"), 1));
  ForgetPassword("oauth:j6-graph-g-same");
}

// Each kind of answer Graph gives: what the log ends with, what arrived,
// and what became of the draft.
TEST(Graph, AnswersOfEachKind) {
  const TempDir store;
  SetEnvironment("J6MAILER_SECRETS", store.File("secrets"));
  const TempDir sys;
  // A second attachment of `size` bytes, its digest into `*digest`.
  const auto attach = [&sys](std::size_t size, std::string* digest) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    WriteFileBytes(sys.File("LISTINO.BIN"), bytes);
    *digest = Digest(bytes);
  };
  constexpr std::size_t kHuge = 32u << 20;        // past sendMail's 4 MB: a draft, an upload
  constexpr std::size_t kTwoPieces = 4200000;     // an upload session's two pieces
  constexpr std::size_t kGmailLarge = 24u << 20;  // a mail of 33 MB, in four pieces
  const std::string notSent = "Email not sent.";
  const std::string created = "created <id>|sent <id>";
  const char* const lostPiece = "Gmail: a piece of the mail was lost";
  const struct {
    const char* tag;     // its words tell the server how to answer
    std::size_t size;    // of the second attachment; 0: none, a small mail
    const char* last;    // the log's last line
    const char* before;  // the line before it (its start, when it ends in "*"); empty: any
    std::size_t mails;
    const char* box;        // a text of the box; empty: none
    std::string drafts;     // the server's draft log, "|" between lines ("<id>" for the id)
    const char* held = "";  // the start of a line the log holds besides
    std::string more{};     // settings first in the section (Gmail's: a tag "gm-...")
  } cases[] = {
      {"g-busy", 0, "Sent successfully", "Graph: busy, trying again in 1 s", 1, "", ""},
      {"g-datewait", 0, "Sent successfully", "Graph: busy, trying again in *", 1, "", ""},
      {"g-large", kHuge, "Sent successfully", "", 1, "", created},
      {"g-denied", 0,
       "Graph error: 403 ErrorAccessDenied: Access is denied. Check credentials and try again.", "",
       0, "Email not sent.", ""},
      {"g-attfail", kHuge, "Graph: the draft was deleted",
       "Graph error: 400 ErrorAttachmentInvalid: The attachment is not valid.", 0,
       "Email not sent.", "created <id>|deleted <id>"},
      {"g-lost", 0,
       "Graph error: no answer from localhost: the mail may have been sent; look in Sent Items "
       "before sending it again",
       "", 1, "Email may have been sent.", ""},  // Exchange may have taken it: never sent again.
      {"g-broken", 0,
       "Graph error: 500 ErrorInternalServerError: An internal error occurred.: the mail may have "
       "been sent; look in Sent Items before sending it again",
       "", 0, "Email may have been sent.", ""},
      // A draft made, its answer lost: found by its Message-ID, deleted, made once more.
      {"g-draft500", kTwoPieces, "Sent successfully", "", 1, "",
       "created <id>|deleted <id>|" + created},
      {"g-draftgone", kTwoPieces, "Sent successfully", "", 1, "",
       "created <id>|deleted <id>|" + created},
      // A piece kept, its answer lost: where the session stands asked, or the
      // session begun anew where it cannot be asked.
      {"g-piece500", kTwoPieces, "Sent successfully", "", 1, "", created,
       "Graph: a piece of LISTINO.BIN was lost (500 ErrorInternalServerError"},
      {"g-piecegone", kTwoPieces, "Sent successfully", "", 1, "", created,
       "Graph: a piece of LISTINO.BIN was lost (the upload: "},
      {"g-piece500-noget", kTwoPieces, "Sent successfully", "", 1, "", created,
       "Graph: the upload of LISTINO.BIN begins again (416 InvalidRange"},
      {"g-pascal", kTwoPieces, "Sent successfully", "", 1, "", created},
      {"g-stuck", kTwoPieces, "Graph: the draft was deleted",
       "Graph error: the upload session asks for byte 0 after 3932160 bytes were sent", 0,
       "Email not sent.", "created <id>|deleted <id>"},
      // Inline only while the request stays within 4,000,000 bytes; an upload
      // session refused as too small, inline after all (its answer as large).
      {"g-inline-limit", 3145727, "Sent successfully", "", 1, "", created},
      {"g-minsize", 2999990, "Sent successfully", "", 1, "", created},
      {"g-longwait", 0, "Graph error: Graph asks to wait 400 s: the mail was not sent", "", 0,
       "Email not sent.", ""},
      {"g-throttled", 0, "Graph error: 429 ApplicationThrottled: Too many requests.",
       "Graph: busy, trying again in 1 s", 0, "Email not sent.", ""},
      // Gmail: up to 5 MB in one upload, larger in pieces of 8 MiB.
      {"gm-small", 0, "Sent successfully", "Gmail: message *", 1, "", ""},
      {"gm-large", kGmailLarge, "Sent successfully", "Gmail: message *", 1, "", ""},
      {"gm-piecelost", 13u << 20, "Sent successfully", "", 1, "", "", lostPiece},
      {"gm-lost-large", 9u << 20, "Sent successfully", "", 1, "", "", lostPiece},
      {"gm-busy", 0, "Sent successfully", "", 1, "", "", "Gmail: busy, trying again in "},
      {"gm-longwait", 0, "Gmail error: Gmail asks to wait *", "", 0, notSent.c_str(), ""},
      {"gm-daily", 0,
       "Gmail error: 403 dailyLimitExceeded: Daily user sending limit exceeded. - the mailbox's "
       "daily sending limit is reached",
       "", 0, notSent.c_str(), ""},
      {"gm-noapi", 0, "Gmail error: 403 accessNotConfigured: *", "", 0, notSent.c_str(), ""},
      {"gm-noscope", 0,
       "Gmail error: 403 insufficientPermissions: Request had insufficient authentication scopes.",
       "", 0, notSent.c_str(), ""},
      {"gm-lost", 0,
       "Gmail error: no answer from localhost: the mail may have been sent; look in Sent Mail "
       "before sending it again",
       "", 1, "Email may have been sent.", ""},
      {"gm-nouser", 0, "Gmail error: MAPI=GMAIL needs USER", "", 0, notSent.c_str(), "", "",
       "USER=\r\n"},
      {"gm-cc", 0, "Gmail error: MAPI=GMAIL takes no GRANT=CLIENT_CREDENTIALS: *", "", 0,
       notSent.c_str(), "", "", "GRANT=CLIENT_CREDENTIALS\r\n"},
      {"gm-huge", 27u << 20, "Gmail error: the mail is 37 MB, over the 35 MB Gmail takes", "", 0,
       notSent.c_str(), ""},
      // A service account of a key file (off Windows) signs its own grant.
      {"gm-sa", 0, "Sent successfully", "Gmail: message *", 1, "", "", "OAuth: client certificate",
       "GRANT=SERVICE_ACCOUNT\r\nCLIENT_CERT=" + ClientCert("client.pem").path + "\r\n"},
  };
  std::string outputs;
#ifdef J6_PEAK_MEMORY_MEASURED
  long smallPeak = 0;  // of the last small mail's run
#endif
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    const bool gmail = std::string(c.tag).rfind("gm-", 0) == 0;
    // A key file's path is no setting where there is a certificate store.
    if (c.more.find("CLIENT_CERT=") != std::string::npos && platform::HasCertificateStore()) {
      continue;
    }
    World world = gmail ? GmailWorld(c.tag, c.more) : GraphWorld(c.tag, store);
    std::string digest;
    if (c.size != 0) {
      attach(c.size, &digest);
      world.request.extraAttachmentName = "LISTINO.BIN";
      world.glDirSys = AsWindowsPath(sys.path());
    }
    const std::size_t requestsBefore = FileLines(SmtpServerFile("connections.txt")).size();
    const Outcome outcome = RunRequest(world);
#ifdef J6_PEAK_MEMORY_MEASURED
    if (c.size == 0) smallPeak = outcome.peakKilobytes;
#endif
    if (c.size == kHuge && c.mails == 1) {
      // One kept connection to the host (the token, the attachments, the
      // upload's pieces); one of its own for each request that makes or
      // sends something (the draft, its /send).
      std::map<std::string, int> requestsOn;
      std::set<std::string> fresh;
      const std::vector<std::string> requests = FileLines(SmtpServerFile("connections.txt"));
      for (std::size_t i = requestsBefore; i < requests.size(); ++i) {
        const std::string connection = requests[i].substr(0, requests[i].find(' '));
        ++requestsOn[connection];
        const bool makes = requests[i].size() > 9 &&
                           (requests[i].compare(requests[i].size() - 9, 9, "/messages") == 0 ||
                            requests[i].compare(requests[i].size() - 5, 5, "/send") == 0);
        if (makes) fresh.insert(connection);
      }
      EXPECT_EQ(requestsOn.size(), 3u);
      EXPECT_EQ(fresh.size(), 2u);
      for (const std::string& connection : fresh) EXPECT_EQ(requestsOn[connection], 1);
    }
    ASSERT_GE(outcome.lines.size(), 2u);
    EXPECT_TRUE(Matches(outcome.lines.back(), c.last)) << outcome.lines.back();
    const std::string before = c.before;
    if (!before.empty() && before.back() == '*') {
      EXPECT_EQ(
          outcome.lines[outcome.lines.size() - 2].rfind(before.substr(0, before.size() - 1), 0),
          0u);
    } else if (!before.empty()) {
      EXPECT_EQ(outcome.lines[outcome.lines.size() - 2], before);
    }
    EXPECT_EQ(outcome.boxes.find(notSent) != std::string::npos, std::string(c.box) == notSent);
    if (*c.box != '\0') {
      EXPECT_NE(outcome.boxes.find(c.box), std::string::npos) << outcome.boxes;
    }
    const std::vector<ReceivedMail> mails = MailFrom(SenderFor(c.tag));
    ASSERT_EQ(mails.size(), c.mails);
    if (gmail && c.mails == 1) {
      EXPECT_EQ(mails[0].envelope[0], c.size > (5u << 20) ? "gmail: resumable" : "gmail: media");
    }
#ifdef J6_PEAK_MEMORY_MEASURED
    EXPECT_LT(c.size == kGmailLarge ? outcome.peakKilobytes : 0, 30 << 10);
#endif
    // Refused before any request, the token's too.
    if (c.more.rfind("USER=", 0) == 0 || c.size == (27u << 20)) {
      EXPECT_EQ(FileLines(SmtpServerFile("connections.txt")).size(), requestsBefore);
    }
    if (c.size != 0 && c.mails == 1) {
      // The document by one request, the second attachment as it was.
      ASSERT_EQ(mails[0].parts.size(), 3u);
      EXPECT_EQ(mails[0].parts[1].bytes, outcome.document);
      EXPECT_EQ(mails[0].parts[2].filename, "LISTINO.BIN");
      EXPECT_EQ(Digest(mails[0].parts[2].bytes), digest);
#ifdef J6_PEAK_MEMORY_MEASURED
      // Streamed: a 32 MB attachment takes less than half its size more than a small mail.
      if (c.size == kHuge) {
        EXPECT_LT(outcome.peakKilobytes - smallPeak, 16 << 10);
      }
#endif
    }
    std::string drafts;
    for (const std::string& line :
         FileLines(SmtpServerFile(std::string("graph/") + c.tag + "@example.com.txt"))) {
      drafts += (drafts.empty() ? "" : "|") + line.substr(0, line.find(' ')) + " <id>";
    }
    EXPECT_EQ(drafts, c.drafts);
    if (*c.held != '\0') {
      EXPECT_TRUE(std::any_of(outcome.lines.begin(), outcome.lines.end(),
                              [&c](const std::string& line) { return line.rfind(c.held, 0) == 0; }))
          << c.held;
    }
    outputs += ReadFileBytes(outcome.log) + outcome.boxes;
    ForgetPassword("oauth:j6-graph-" + std::string(c.tag));
  }
  // Over the 150 MB Graph takes (a sparse file): refused before a draft.
  std::filesystem::resize_file(sys.File("LISTINO.BIN"), (150u << 20) + 1);
  World huge = GraphWorld("g-huge", store);
  huge.request.extraAttachmentName = "LISTINO.BIN";
  huge.glDirSys = AsWindowsPath(sys.path());
  EXPECT_EQ(RunRequest(huge).lines.back(),
            "Graph error: LISTINO.BIN is larger than the 150 MB Graph takes");
  EXPECT_TRUE(FileLines(SmtpServerFile("graph/g-huge@example.com.txt")).empty());
  ForgetPassword("oauth:j6-graph-g-huge");
  // A stored token revoked before it expired: refused, replaced, sent.
  World world = GraphWorld("g-revoked", store);
  const Scene scene(world);
  for (const char* last : {"OAuth token: from localhost", "OAuth token: from localhost"}) {
    const Outcome outcome = scene.Report(scene.program().Run("A01"));
    ASSERT_GE(outcome.lines.size(), 2u);
    EXPECT_EQ(outcome.lines[outcome.lines.size() - 2], last);
    EXPECT_EQ(outcome.lines.back(), "Sent successfully");
    outputs += ReadFileBytes(outcome.log);
    scene.WriteRequest("A01", world.request);
  }
  EXPECT_NE(outputs.find("OAuth token: refused, getting a new one"), std::string::npos);
  EXPECT_EQ(MailFrom(SenderFor("g-revoked")).size(), 2u);
  ForgetPassword("oauth:j6-graph-g-revoked");
  // Neither a token nor an upload URL in any log or box.
  for (const std::string& token : FileLines(SmtpServerFile("oauth/issued.txt"))) {
    EXPECT_EQ(outputs.find(token.substr(3)), std::string::npos) << token;
  }
  EXPECT_EQ(outputs.find("authtoken="), std::string::npos);
  EXPECT_EQ(outputs.find("upload_id"), std::string::npos);
}

/// The current user's Internet settings as Windows keeps them, where Wine's
/// WinHTTP reads them: flags (1 direct, 2 a fixed proxy, 4 a script), the
/// proxy, its bypass list and the script's URL.
void SetInternetSettings(std::uint32_t flags, const std::string& proxy, const std::string& bypass,
                         const std::string& script, const TempDir& dir) {
  std::string bytes;
  const auto dword = [&bytes](std::size_t value) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  dword(0x46);
  dword(2);
  dword(flags);
  for (const std::string* text : {&proxy, &bypass, &script}) {
    dword(text->size());
    bytes += *text;
  }
  bytes.append(32, '\0');
  std::string hex;
  for (const char c : bytes) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02x,", static_cast<unsigned char>(c));
    hex += pair;
  }
  hex.pop_back();
  WriteFileBytes(dir.File("proxy.reg"),
                 "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\"
                 "Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections]\r\n"
                 "\"DefaultConnectionSettings\"=hex:" +
                     hex + "\r\n");
  ASSERT_TRUE(ImportRegistryFile(dir.File("proxy.reg")));
}

// Each way an HTTPS request can go, through the test's CONNECT proxy or not,
// and SMTP never through the environment's proxy.
TEST(Graph, ProxyOfEachKind) {
  const TempDir store;
  SetEnvironment("J6MAILER_SECRETS", store.File("secrets"));
  const bool posix = *J6_NET_TRANSPORT != '\0';  // Windows reads no proxy variable
  const std::string proxy = "127.0.0.1:" + SmtpServerPort("proxy");
  const std::string refusing = "127.0.0.1:" + SmtpServerPort("proxy407");
  const std::string basic = "127.0.0.1:" + SmtpServerPort("proxybasic");
  const std::string through = "Proxy: " + proxy + " for localhost";
  const struct {
    const char* tag;
    std::string setting;   // PROXY=
    const char* variable;  // set for this row alone
    std::string line;      // of the log, before its last; empty: no "Proxy:" line at all
    std::string last;
    bool asked;           // the proxy was asked for a tunnel to Graph's host
    std::string value{};  // the variable's; empty: the proxy's URL
  } cases[] = {
      {"gp-variable", "", "https_proxy", posix ? through : "", "Sent successfully", posix},
      {"gp-setting", "http://" + proxy, "", through, "Sent successfully", true},
      {"gp-direct", "direct", "https_proxy", "", "Sent successfully", false},
      {"gp-refused", "http://" + refusing, "", "Proxy: " + refusing + " for localhost",
       "Graph error: Proxy error: " + refusing +
           ": 407: the proxy refuses the Windows login of this user (Negotiate or NTLM)",
       true},
      {"gp-basic", "http://" + basic, "", "Proxy: " + basic + " for localhost",
       "Graph error: Proxy error: " + basic +
           ": 407: the proxy asks for a user name and password (Basic), which J6Mailer does not "
           "have: let this desktop through, or take the Windows login (Negotiate, NTLM)",
       true},
      // The environment's login goes to the proxy, and never to the log.
      {"gp-variable-login", "", "https_proxy", posix ? "Proxy: " + basic + " for localhost" : "",
       "Sent successfully", posix, "http://j6proxy:Pr0xy%20pass@" + basic},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    World world = GraphWorld(c.tag, store);
    world.mailClientLines = "PROXY=" + c.setting + "\r\n";
    if (*c.variable != '\0')
      SetEnvironment(c.variable, c.value.empty() ? "http://" + proxy : c.value);
    const std::size_t asked = FileLines(SmtpServerFile("proxy.txt")).size();
    const Outcome outcome = RunRequest(world);
    if (*c.variable != '\0') SetEnvironment(c.variable, "");
    EXPECT_EQ(outcome.lines.back(), c.last);
    const auto line = std::find_if(outcome.lines.begin(), outcome.lines.end(),
                                   [](const std::string& l) { return l.rfind("Proxy: ", 0) == 0; });
    EXPECT_EQ(line == outcome.lines.end() ? std::string() : *line, c.line);
    const std::vector<std::string> requests = FileLines(SmtpServerFile("proxy.txt"));
    EXPECT_EQ(requests.size() > asked, c.asked);
    if (c.asked) {
      EXPECT_EQ(requests.back(), "CONNECT localhost:" + SmtpServerPort("https"));
    }
    EXPECT_EQ(ReadFileBytes(outcome.log).find("Pr0xy"), std::string::npos);
    ForgetPassword("oauth:j6-graph-" + std::string(c.tag));
  }
  // A proxy that refuses the tunnel to the mail's own request (the token
  // reused from a run without it) sent nothing: "not sent", never "may have".
  {
    World world = GraphWorld("gp-403", store);
    ASSERT_EQ(RunRequest(world).lines.back(), "Sent successfully");
    const std::string forbidding = "127.0.0.1:" + SmtpServerPort("proxy403");
    world.mailClientLines = "PROXY=http://" + forbidding + "\r\n";
    const Outcome outcome = RunRequest(world);
    EXPECT_EQ(outcome.lines.back(),
              "Graph error: Proxy error: " + forbidding +
                  ": 403: the proxy refuses the way to localhost:" + SmtpServerPort("https"));
    EXPECT_NE(outcome.boxes.find("Email not sent."), std::string::npos) << outcome.boxes;
    EXPECT_EQ(MailFrom(SenderFor("gp-403")).size(), 1u);
    ForgetPassword("oauth:j6-graph-gp-403");
  }
  if (!posix) {
    // The desktop's own settings: a fixed proxy, a bypass list that sends
    // Graph's host direct, a script served on the loopback.
    const struct {
      const char* tag;
      std::uint32_t flags;
      std::string proxy, bypass, script, line;
    } desktops[] = {
        {"gw-fixed", 3, proxy, "", "", through},
        {"gw-bypass", 3, proxy, "<local>;*.example.com", "", "Proxy: none for localhost"},
        {"gw-script", 5, "", "", "http://" + proxy + "/j6.pac", through},
        // A script whose server never answers: direct after 10 s, and said so.
        {"gw-script-silent", 5, "", "", "http://127.0.0.1:" + SmtpServerPort("silent") + "/j6.pac",
         "Proxy: the proxy script http://127.0.0.1:" + SmtpServerPort("silent") +
             "/j6.pac could not be used (no answer within 10 s): direct"},
    };
    for (const auto& d : desktops) {
      SCOPED_TRACE(d.tag);
      SetInternetSettings(d.flags, d.proxy, d.bypass, d.script, store);
      const std::size_t asked = FileLines(SmtpServerFile("proxy.txt")).size();
      const Outcome outcome = RunRequest(GraphWorld(d.tag, store));
      EXPECT_EQ(outcome.lines.back(), "Sent successfully");
      EXPECT_NE(std::find(outcome.lines.begin(), outcome.lines.end(), d.line), outcome.lines.end());
      EXPECT_EQ(FileLines(SmtpServerFile("proxy.txt")).size() > asked, d.line == through);
      ForgetPassword("oauth:j6-graph-" + std::string(d.tag));
    }
    SetInternetSettings(1, "", "", "", store);
  }
  // A mail client reaches its server directly.
  SetEnvironment("all_proxy", "http://" + refusing);
  EXPECT_EQ(RunRequest(PlainSmtpWorld("gp-smtp")).lines.back(), "Sent successfully");
  SetEnvironment("all_proxy", "");
}

// The check program signs in and asks Graph, sending nothing; it reads
// the permissions of a token that is a JWT.
TEST(Graph, CheckProgramAsksWithoutSending) {
  const TempDir store;
  SetEnvironment("J6MAILER_SECRETS", store.File("secrets"));
  const ClientCertFile soon = ClientCert("client-soon.pem");
  const ClientCertFile good = ClientCert("client.pem");
  const ClientCertFile expired = ClientCert("client-expired.pem");
  const struct {
    const char* tag;
    std::vector<std::string> lines;  // in the output, in this order; "*" ends a line's start
    std::string more{};              // settings before the others of [GRAPH]
  } cases[] = {
      {"gc-in-order",
       {"[ok] Graph " + GraphUrl() + " takes the token for gc-in-order@example.com (nothing sent)",
        "[warn] the access token cannot be read: whether it grants Mail.Send cannot be told"}},
      {"gc-jwt",
       {"[ok] the access token grants Mail.Send",
        "[warn] no Mail.ReadWrite: mails whose attachments pass about 2 MB need Mail.ReadWrite"}},
      {"gc-denied",
       {"[fail] Graph " + GraphUrl() +
        ": 403 ErrorAccessDenied: Access is denied. Check credentials and try again."}},
      // Graph's root without its version: any other 400 is no mailbox's answer.
      {"gc-noversion",
       {"[fail] Graph https://localhost:" + SmtpServerPort("https") +
        "/graph: 400 BadRequest: Invalid version: users: not Graph's answer to a mail without "
        "recipients: URL must be Graph's root with its version, as "
        "https://graph.microsoft.com/v1.0"},
       "URL=https://localhost:" + SmtpServerPort("https") + "/graph\r\n"},
      {"gc-cert",
       {"[ok] client certificate " + good.thumbprint + " (CN=J6Mailer test client, valid until " +
            good.until + "), its private key usable",
        "[warn] a client secret is stored for J6Mailer:oauth:j6-graph-gc-cert, no longer needed: "
        "CLIENT_CERT signs in instead; remove it with *",
        "[ok] the desktop's clock is within *",
        "[ok] Graph " + GraphUrl() + " takes the token for gc-cert@example.com (nothing sent)"},
       "CLIENT_CERT=" + good.path + "\r\n"},
      {"gc-cert-soon",
       {"[warn] client certificate " + soon.thumbprint +
        " (CN=J6Mailer test client-soon, valid until " + soon.until +
        ") expires in 19 days: make a new one and upload it before then"},
       "CLIENT_CERT=" + soon.path + "\r\n"},
      {"gc-cert-expired",
       {"[fail] the client certificate " + expired.thumbprint + " expired on " + expired.until +
        ": every run ends in \"Email not sent.\""},
       "CLIENT_CERT=" + expired.path + "\r\n"},
      {"gmc-ok",
       {"[warn] mail goes from j6-gmc-ok@example.com, not USER: Gmail writes gmc-ok@example.com "
        "instead unless it is a verified \"Send mail as\" address of that mailbox",
        "[ok] Gmail " + GmailUrl() +
            " takes the token to send as gmc-ok@example.com (nothing "
            "sent)"}},
      {"gmc-noscope",
       {"[fail] Gmail " + GmailUrl() +
        ": 403 insufficientPermissions: Request had insufficient authentication scopes."}},
      {"gc-cert-skewed",
       {"[warn] the desktop's clock (*",
        "[fail] token endpoint localhost: invalid_client: AADSTS700024: Client assertion is not "
        "within its valid time range. - the desktop's clock may be wrong: it says *"},
       "CLIENT_CERT=" + good.path + "\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    // A key file's path is no setting where there is a store.
    const bool keyFile = c.more.rfind("CLIENT_CERT=", 0) == 0;
    if (keyFile && platform::HasCertificateStore()) continue;
    World world =
        std::string(c.tag).rfind("gmc-", 0) == 0 ? GmailWorld(c.tag) : GraphWorld(c.tag, store);
    // The first key of a name counts: right after the section's line.
    world.smtpSettings.insert(9, c.more);
    const Scene scene(world);
    scene.program().AddCheckProgram();
    const ChildResult result = scene.program().Check("A01");
    std::size_t at = 0;
    for (const std::string& line : c.lines) {
      // Whole lines, whatever ends them, or their start.
      const bool start = line.back() == '*';
      const std::string text = line.substr(0, line.size() - (start ? 1 : 0));
      at = result.output.find("\n" + text, at);
      ASSERT_NE(at, std::string::npos) << line << "\n" << result.output;
      at += 1 + text.size();
      EXPECT_TRUE(start || result.output[at] == '\r' || result.output[at] == '\n') << line;
    }
    EXPECT_EQ(result.output.find("secret=7"), std::string::npos);
    // With a certificate the stored secret stays home.
    for (const std::string& form :
         FileLines(SmtpServerFile("oauth/j6-graph-" + std::string(c.tag) + ".txt"))) {
      EXPECT_EQ(form.find(keyFile ? "client_secret" : "client_assertion"), std::string::npos);
    }
    EXPECT_TRUE(MailFrom(SenderFor(c.tag)).empty());
    ForgetPassword("oauth:j6-graph-" + std::string(c.tag));
  }
}

}  // namespace
}  // namespace j6::test
