// The check program on whole desktops: one where everything is in order,
// and one with a fault of each kind the check must name, each checked in
// one run (a Wine start costs half a second). Every file of the desktop is
// compared before and after, since the check must change nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/e2e/request_run.h"
#include "tests/e2e/smtp_server.h"
#include "tests/support/area_request.h"
#include "tests/support/environment.h"
#include "tests/support/library_header.h"
#include "tests/support/log_lines.h"
#include "tests/support/stored_password.h"
#include "tests/support/temp_dir.h"

namespace j6::test {
namespace {

std::string FileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

std::string Bits(int bits) { return std::to_string(bits) + "-bit"; }

/// A default mail client, as its setup registers it: the user's choice of
/// it, and its key, with its MAPI library, in the machine's hive.
std::string MailClient(const std::string& library) {
  const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail\\J6 Test Mail]\r\n";
  return "[-HKEY_CURRENT_USER\\Software\\Clients\\Mail]\r\n"
         "[HKEY_CURRENT_USER\\Software\\Clients\\Mail]\r\n@=\"J6 Test Mail\"\r\n[-" +
         key + "[" + key + "\"DLLPath\"=" + RegString(library) +
         "\r\n\"DLLPathEx\"=" + RegString(library) + "\r\n";
}

/// Every file and folder under the roots, a file with its size and time, a
/// folder with its time, but for the log folder's: there the check makes a
/// file of its own and removes it again.
std::map<std::string, std::string> Snapshot(const std::vector<std::filesystem::path>& roots,
                                            const std::filesystem::path& logFolder) {
  std::map<std::string, std::string> entries;
  for (const std::filesystem::path& root : roots) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      std::string& seen = entries[entry.path().string()];
      if (entry.is_regular_file()) seen = std::to_string(entry.file_size()) + " bytes, ";
      if (!entry.is_directory() || !std::filesystem::equivalent(entry.path(), logFolder)) {
        seen += std::to_string(entry.last_write_time().time_since_epoch().count());
      }
    }
  }
  return entries;
}

struct CheckRun {
  int exitCode = -1;
  std::vector<std::string> lines;  // without their ends
};

/// Runs the check on the scene's desktop for `area`; fails the test when it
/// changed any file there.
CheckRun RunCheck(const Scene& scene, const std::string& area) {
  const InstalledProgram& program = scene.program();
  program.AddCheckProgram();
  const std::vector<std::filesystem::path> roots = {program.folder().path(),
                                                    program.elsewhere().path()};
  const auto before = Snapshot(roots, program.folder().path());
  const ChildResult result = program.Check(area);
  EXPECT_EQ(Snapshot(roots, program.folder().path()), before) << "the check changed the desktop";
  CheckRun run;
  run.exitCode = result.exitCode;
  std::size_t start = 0;
  for (std::size_t end; (end = result.output.find('\n', start)) != std::string::npos;
       start = end + 1) {
    std::string line = result.output.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    run.lines.push_back(line);
  }
  return run;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::vector<std::string> NotOk(const CheckRun& run) {
  std::vector<std::string> lines;
  for (const std::string& line : run.lines) {
    if (line.rfind("[warn]", 0) == 0 || line.rfind("[fail]", 0) == 0) lines.push_back(line);
  }
  return lines;
}

bool HasLineStartingWith(const CheckRun& run, const std::string& start) {
  return !StartingWith(run.lines, start).empty();
}

/// The program's desktop as a run finds it when all is well, a request of
/// A01 waiting and an earlier run's log there; with MAPI as `mapi` says.
World InOrder(const std::string& mapi, const std::string& mapiexRecord) {
  World world;
  world.mapiMode = mapi;
  // The test MAPI32 is the mail client's library too.
  world.libraries = {J6_DOUBLE_J6TFN_CDECL, J6_DOUBLE_MAPI32};
  if (!mapi.empty()) world.libraries.push_back(J6_DOUBLE_MAPIEX);
  world.registryExtra = MailClient("<program>\\" + FileName(J6_DOUBLE_MAPI32));
  world.prepare = [mapiexRecord](const InstalledProgram& program) {
    WriteFileBytes(program.folder().File("run.log"), "an earlier run\r\n");
    // Off Windows: the drives folder and the outbox the program is given.
    std::filesystem::create_directories(program.elsewhere().path() / "no-drives");
    SetEnvironment("J6MAILER_OUTBOX", (program.elsewhere().path() / "outbox").string());
    // The test wrapper's record lies outside the desktop.
    SetEnvironment("J6TEST_MAPIEX_RECORD", mapiexRecord);
  };
  return world;
}

TEST(Check, DesktopInOrderPassesAndIsLeftAsItWas) {
  const TempDir records;
  for (const char* mapi : {"", "EXTENDED"}) {
    SCOPED_TRACE(std::string("MAPI=") + mapi);
    const std::string record = records.File(std::string("mapiex") + mapi + ".txt");
    const Scene scene(InOrder(mapi, record));
    const CheckRun run = RunCheck(scene, "A01");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(NotOk(run), std::vector<std::string>{});
    EXPECT_TRUE(HasLineStartingWith(run, "[ok] a request for A01 is waiting"));
    EXPECT_TRUE(HasLineStartingWith(run, "[ok] " + FileName(J6_DOUBLE_J6TFN_CDECL) + " exports"));
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(), std::to_string(run.lines.size() - 1) + " ok, 0 warn, 0 fail");
    if (*mapi == '\0') {
      // Windows names the library as it was asked for: MAPI32.DLL.
      EXPECT_TRUE(HasLineStartingWith(run, "[ok] MAPI32.DLL exports MAPISendMail") ||
                  HasLineStartingWith(run, "[ok] libMAPI32.so exports MAPISendMail"));
    } else {
      EXPECT_TRUE(HasLineStartingWith(run, "[ok] MAPI logs on to the default profile"));
      // Logged on and off again: no store opened, no message made.
      EXPECT_EQ(FileLines(record),
                (std::vector<std::string>{"SessionNew()", "Init(1)", "Login(session,null)",
                                          "GetProfileName(session)", "Logout(session)", "Term()",
                                          "SessionDelete(session)"}));
    }
  }
}

// What the waiting request needs that the desktop lacks: network mode, off,
// for its document; its second attachment, not in GL_DirSys.
TEST(Check, WaitingRequestsAttachmentsAreLookedFor) {
  const TempDir records;
  World world = InOrder("", records.File("mapiex.txt"));
  world.winNet = "no";
  world.glDirSys = AsWindowsPath(records.path());
  world.request.extraAttachmentName = "CONDIZIONI.PDF";
  const Scene scene(world);
  const CheckRun run = RunCheck(scene, "A01");
  EXPECT_TRUE(HasLineStartingWith(
      run, "[warn] network mode is off (WinNet): the waiting request names the document "))
      << Joined(run.lines);
  EXPECT_TRUE(HasLineStartingWith(run, "[fail] the waiting request's second attachment " +
                                           world.glDirSys + "\\CONDIZIONI.PDF cannot be read"))
      << Joined(run.lines);
}

// One desktop with every fault at once: each row is a line the check must
// print for its fault.
TEST(Check, FaultsAreNamedAndTheDesktopIsLeftAsItWas) {
  const int own = OwnBits();
  const int other = 96 - own;
  World world;
  world.noConfigFile = true;
  world.libraries = {J6_DOUBLE_MAPI32};
  world.netDir = "<net>absent\\";
  world.registryExtra = MailClient("<program>\\olmapi32.dll");
  world.prepare = [other](const InstalledProgram& program) {
    WriteFileBytes(program.folder().File(FileName(J6_DOUBLE_J6TFN_CDECL)), LibraryHeader(other));
    WriteFileBytes(program.folder().File("olmapi32.dll"), LibraryHeader(other));
  };
  const Scene scene(world);
  const CheckRun run = RunCheck(scene, "A01");
  EXPECT_EQ(run.exitCode, 1);

  const std::string versus = ", " + std::string(J6_CHECK_FILE_NAME) + " is " + Bits(own);
  const struct {
    const char* fault;
    std::string line;
  } rows[] = {
      {"a transfer library of the other bitness", "[fail] " + FileName(J6_DOUBLE_J6TFN_CDECL) +
                                                      " is " + Bits(other) + versus +
                                                      ": J6Mailer cannot load it"},
      {"no configuration file", "[warn] no configuration file "},
      {"an unreachable drop folder",
       "[fail] network folder " + scene.netDir() + "absent\\ cannot be reached"},
      {"a mail client's library of the other bitness",
       "[fail] olmapi32.dll is " + Bits(other) + versus +
           ": MAPI cannot load it into J6Mailer; take the " + Bits(other) + " package"},
  };
  for (const auto& row : rows) {
    EXPECT_TRUE(HasLineStartingWith(run, row.line))
        << row.fault << ": no line " << row.line << " in\n"
        << Joined(run.lines);
  }
}

// The one-time sign-in both ways against the test endpoints (the device
// code's user signs in after authorization_pending and slow_down; the
// stand-in browser follows the redirect, started through $BROWSER or, under
// Wine, winebrowser), then the check, which takes the stored refresh token
// to the endpoint: it takes only tokens it issued, and replaces them. No
// token it issued shows in any output.
TEST(Check, SignInBothWaysThenTheCheckUsesTheTokens) {
  const TempDir store;
  SetEnvironment("J6MAILER_SECRETS", store.path().string());
  SetEnvironment("LOCALAPPDATA", store.path().string());
  const std::string hostFolder = J6_SMTP_SERVER_HOST_FOLDER;  // as a Unix program names it
  SetEnvironment("BROWSER", J6_STAND_IN_BROWSER);
  SetEnvironment("J6TEST_BROWSER_CA", hostFolder + "/ca.pem");
  SetEnvironment("J6TEST_BROWSER_PAGES", hostFolder + "/oauth/pages.txt");
  std::filesystem::remove(SmtpServerFile("oauth/pages.txt"));
  const std::string endpoint = "https://localhost:" + SmtpServerPort("https") + "/oauth/";
  World world;
  world.mapiMode = "SMTP";
  world.libraries = {J6_DOUBLE_J6TFN_CDECL};
  if (*J6_NET_TRANSPORT != '\0') world.libraries.push_back(J6_NET_TRANSPORT);
  world.smtpSettings = "SERVER=" + SmtpServerUrl("starttls") +
                       "\r\nCAFILE=" + SmtpServerFile("ca.pem") +
                       "\r\nUSER=j6-signin@example.com\r\nAUTH=OAUTH2\r\nGRANT=REFRESH_TOKEN"
                       "\r\nCLIENT_ID=j6-signin-rotate\r\nSCOPE=SMTP.Send offline_access"
                       "\r\nTOKEN_URL=" +
                       endpoint + "token\r\nDEVICE_URL=" + endpoint +
                       "device\r\nAUTHORIZE_URL=" + endpoint + "authorize\r\n";
  world.registryExtra = "[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]\r\n\"Browsers\"=" +
                        RegString(J6_STAND_IN_BROWSER) + "\r\n";
  const Scene scene(world);
  scene.program().AddCheckProgram();
  // The mailbox's password, stored for the server, never goes to an endpoint.
  ASSERT_TRUE(StorePassword(SmtpServerUrl("starttls"), "localhost", "j6-signin@example.com",
                            "Mailbox-7", store.path().string()));
  std::string outputs;
  for (const char* way : {"--sign-in --device", "--sign-in"}) {
    const ChildResult result = scene.program().Check(way);
    EXPECT_EQ(result.exitCode, 0) << way << "\n" << result.output;
    EXPECT_NE(result.output.find("\nSigned in: "), std::string::npos) << result.output;
    outputs += result.output + result.boxes;
  }
  // The browser is never waited for: it may write the page it got a moment
  // after the check has ended.
  std::string pages;
  for (int tries = 0; tries < 200 && pages.find("</html>") == std::string::npos; ++tries) {
    if (tries > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pages = ReadFileBytes(SmtpServerFile("oauth/pages.txt"));
  }
  EXPECT_NE(pages.find("You may close this window"), std::string::npos) << pages;
  EXPECT_EQ(pages.find("ac-"), std::string::npos) << "the page shows the code";

  const ChildResult result = scene.program().Check("A01");
  outputs += result.output + result.boxes;
  for (const char* line :
       {"[ok] signed in to ", "[ok] the token endpoint localhost gives an access token",
        "[ok] it replaced the refresh token: the new one is stored",
        "the token accepted (nothing sent)"}) {
    EXPECT_NE(result.output.find(line), std::string::npos) << line << " in\n" << result.output;
  }
  for (const std::string& token : FileLines(SmtpServerFile("oauth/issued.txt"))) {
    EXPECT_EQ(outputs.find(token), std::string::npos) << "a token shows: " << token;
  }
  ForgetPassword(SmtpServerUrl("starttls"));
  const std::vector<std::string> forms = FileLines(SmtpServerFile("oauth/j6-signin-rotate.txt"));
  EXPECT_GE(forms.size(), 4u);  // the device code, its polls, the code grant, the check's
  for (const std::string& form : forms) EXPECT_EQ(form.find("client_secret"), std::string::npos);
}

}  // namespace
}  // namespace j6::test
