// What only the off-Windows half of the platform layer does.
#include "emulation/posix_path.h"
#include "oauth/access_token.h"
#include "oauth/token_store.h"
#include "platform/browser.h"
#include "platform/command_line.h"
#include "platform/credentials.h"
#include "platform/files.h"
#include "platform/named_lock.h"
#include "tests/support/scoped_env_posix.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace j6::platform {
namespace {

TEST(PosixPath, MapsDrivesSharesAndBackslashes) {
  const test::ScopedEnv drives("J6MAILER_DRIVES", "/srv/drives");
  const struct {
    const char* windows;
    const char* posix;
  } cases[] = {
      {"C:\\Temp\\mqbox\\A01", "/srv/drives/c/Temp/mqbox/A01"},
      {"d:\\Net\\", "/srv/drives/d/Net/"},
      {"Z:", "/srv/drives/z"},
      {"C:relative\\x", "/srv/drives/c/relative/x"},
      {"\\\\srv\\spool\\PRT\\R1", "/srv/drives/unc/srv/spool/PRT/R1"},
      {"\\Temp\\x", "/srv/drives/c/Temp/x"},  // rooted on the current drive
      {"C:\\a\\..\\..\\..\\etc\\.\\x", "/srv/drives/c/etc/x"},
      {"\\\\srv\\spool\\..\\..\\x", "/srv/drives/unc/srv/spool/x"},
      {"\\\\..\\..\\x", "/srv/drives/unc/_/_/x"},
      {"SPOOL\\DOCA01", "SPOOL/DOCA01"},
      {"/home/user\\j6.log", "/home/user/j6.log"},  // the host's own
      {"1:\\x", "1:/x"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PosixPath(c.windows), c.posix) << c.windows;
}

// What the J6 server or a request names never reaches the host's folders.
TEST(ForeignPosixPath, KeepsEveryPathUnderTheDrives) {
  const test::ScopedEnv drives("J6MAILER_DRIVES", "/srv/drives");
  const struct {
    const char* windows;
    const char* posix;
  } cases[] = {
      {"/etc/passwd", "/srv/drives/c/etc/passwd"},
      {"//srv/spool/R1", "/srv/drives/unc/srv/spool/R1"},
      {"\\etc\\x", "/srv/drives/c/etc/x"},
      {"Default../../../etc/x", "/srv/drives/c/etc/x"},
      {"\\\\srv\\spool\\PRT\\R1", "/srv/drives/unc/srv/spool/PRT/R1"},
  };
  for (const auto& c : cases) EXPECT_EQ(ForeignPosixPath(c.windows), c.posix) << c.windows;
}

TEST(DrivesRoot, FallsBackToTheUsersDataFolder) {
  {
    const test::ScopedEnv drives("J6MAILER_DRIVES", nullptr);
    const test::ScopedEnv data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(DrivesRoot(), "/data/j6mailer/drives");
  }
  {
    const test::ScopedEnv drives("J6MAILER_DRIVES", "");
    const test::ScopedEnv data("XDG_DATA_HOME", nullptr);
    const test::ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(DrivesRoot(), "/home/u/.local/share/j6mailer/drives");
  }
}

TEST(AppendToFile, NeverWaitsOnAFifo) {
  const test::TempDir scratch;
  ASSERT_EQ(mkfifo(scratch.File("fifo").c_str(), 0600), 0);
  EXPECT_FALSE(AppendToFile(scratch.File("fifo"), "line\r\n"));
}

// Past an unusable runtime folder and another user's, runs lock in the cache.
TEST(NamedLock, FallsBackToAFolderOfTheUsersOwn) {
  const test::TempDir scratch;
  const std::string taken = scratch.File("j6mailer-" + std::to_string(getuid()));
  ASSERT_EQ(mkdir(taken.c_str(), 0700), 0);
  // Root, who runs CI, gives it away; another user can open it to all.
  ASSERT_EQ(getuid() == 0 ? chown(taken.c_str(), 4242, 4242) : chmod(taken.c_str(), 0777), 0);
  const test::ScopedEnv runtime("XDG_RUNTIME_DIR", scratch.File("gone").c_str());
  const test::ScopedEnv temporary("TMPDIR", scratch.path().c_str());
  const test::ScopedEnv cache("XDG_CACHE_HOME", scratch.File("cache").c_str());
  NamedLock first, second;
  ASSERT_TRUE(first.Open("area-A01") && first.Take(0) == NamedLock::kTaken) << first.error();
  ASSERT_TRUE(second.Open("area-A01"));
  EXPECT_EQ(second.Take(0), NamedLock::kBusy);
  EXPECT_TRUE(std::filesystem::exists(scratch.path() / "cache" / "j6mailer"));
}

TEST(NetrcReadableByOthers, LooksAtTheGroupAndOthersReadBits) {
  const test::TempDir dir;
  const std::string netrc = dir.File("netrc");
  const test::ScopedEnv chosen("J6MAILER_NETRC", netrc.c_str());
  EXPECT_FALSE(NetrcReadableByOthers());  // none there
  test::WriteFileBytes(netrc, "machine x login y password z\n");
  for (const mode_t mode : {0600, 0640, 0604}) {
    ASSERT_EQ(chmod(netrc.c_str(), mode), 0);
    EXPECT_EQ(NetrcReadableByOthers(), mode != 0600) << mode;
  }
}

// A store that can read its tokens but not make a new file (the folder's
// path leaves no room for the temporary file's longer name) fails before the
// endpoint is asked: a rotating one would revoke the refresh token kept.
TEST(TokenStore, UnwritableIsFoundBeforeTheEndpointIsAsked) {
  const test::TempDir scratch;
  oauth::OAuthClient client;
  client.user = "u@x";
  client.tokenUrl = "https://x.invalid/t";
  client.clientId = "app";
  client.grant = "REFRESH_TOKEN";
  std::string deep = scratch.path().string(), error, token;
  while (deep.size() + 200 < 4060) deep += "/" + std::string(199, 'd');
  deep += "/" + std::string(4060 - deep.size() - 1, 'e');  // the secret's path fits PATH_MAX
  const test::ScopedEnv secrets("J6MAILER_SECRETS", deep.c_str());
  std::filesystem::create_directories(deep);
  test::WriteFileBytes(deep + "/secret-" + oauth::TokenSecretName(client),
                       oauth::TokensText({"rt-kept", "", 0, "https://x.invalid/t", "app", ""}));
  EXPECT_FALSE(oauth::ObtainAccessToken(client, &token, nullptr, &error));
  EXPECT_EQ(error, "OAuth: cannot store tokens in " + deep + "/: File name too long");
}

// The sign-in says the browser showed the page only when its command started
// and did not fail at once, as a launcher without a browser does.
TEST(OpenInBrowser, AStartThatFailsAtOnceOpenedNothing) {
  const struct {
    const char* browser;
    const char* error;  // empty: opened
  } cases[] = {{"true", ""},
               {"false", "false ended at once with exit status 1"},
               {"j6-no-such-browser", "cannot start j6-no-such-browser: No such file or directory"},
               {"sh -c sleep\t2", ""}};  // still running
  for (const auto& c : cases) {
    const test::ScopedEnv browser("BROWSER", c.browser);
    std::string error;
    EXPECT_EQ(platform::OpenInBrowser("https://x/", &error), *c.error == '\0') << c.browser;
    EXPECT_EQ(error, c.error);
  }
}

TEST(CommandLineRemainder, JoinsTheArgumentsWithSingleBlanks) {
  const struct {
    std::vector<const char*> argv;
    const char* remainder;
  } cases[] = {
      {{"J6Mailer"}, ""},
      {{"J6Mailer", "A01"}, "A01"},
      {{"J6Mailer", "A01  "}, "A01  "},
      {{"J6Mailer", "A01", "", "B"}, "A01  B"},
      {{"/opt/j6/J6Mailer", "/?"}, "/?"},
  };
  for (const auto& c : cases) {
    std::vector<char*> argv;
    for (const char* arg : c.argv) argv.push_back(const_cast<char*>(arg));
    EXPECT_EQ(CommandLineRemainder(static_cast<int>(argv.size()), argv.data()), c.remainder);
  }
}

}  // namespace
}  // namespace j6::platform
