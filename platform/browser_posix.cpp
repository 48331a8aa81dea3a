// POSIX half of platform/browser.h: the browser is started in a process of
// its own whose parent has already ended, so nothing waits for it and no
// child is left behind; a pipe closed on exec tells whether it started.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/browser.h"

namespace j6::platform {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t end; start <= text.size(); start = end + 1) {
    end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    if (end > start) pieces.push_back(text.substr(start, end - start));
  }
  return pieces;
}

std::vector<std::string> Words(const std::string& command, const std::string& url) {
  std::vector<std::string> words = Split(command, ' ');
  bool placed = false;
  for (std::string& word : words) {
    const std::size_t at = word.find("%s");
    if (at == std::string::npos) continue;
    word.replace(at, 2, url);
    placed = true;
  }
  if (!placed) words.push_back(url);
  return words;
}

[[noreturn]] void ReportAndExit(int report) {
  const int reason = errno;
  (void)!write(report, &reason, sizeof reason);
  _exit(127);
}

/// In the child, for a moment: a command that ends at once and fails (a
/// launcher such as xdg-open that finds no browser) opened nothing. Its exit
/// status is reported as a negative number. A command still running is a
/// browser, and is left to itself.
[[noreturn]] void WatchBriefly(pid_t grandchild, int report) {
  for (int waited = 0; waited < 20; ++waited) {
    int status = 0;
    const pid_t ended = waitpid(grandchild, &status, WNOHANG);
    if (ended == grandchild) {
      const int failed = WIFEXITED(status) ? -WEXITSTATUS(status) : -128 - WTERMSIG(status);
      if (failed != 0) (void)!write(report, &failed, sizeof failed);
      _exit(0);
    }
    if (ended < 0) break;
    const timespec pause{0, 50L * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  _exit(0);
}

/// In the child: the browser in a grandchild, its standard streams away
/// from ours; only calls that are safe after fork.
[[noreturn]] void Exec(char* const* argv, int report) {
  const pid_t grandchild = fork();
  if (grandchild < 0) ReportAndExit(report);
  if (grandchild > 0) WatchBriefly(grandchild, report);
  const int null = open("/dev/null", O_RDWR);
  for (int stream = 0; stream < 3 && null >= 0; ++stream) dup2(null, stream);
  setsid();
  execvp(argv[0], argv);
  ReportAndExit(report);
}

bool Start(const std::vector<std::string>& words, std::string* error) {
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    *error = std::string("cannot start a browser: ") + std::strerror(errno);
    return false;
  }
  const pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    Exec(argv.data(), report[1]);
  }
  close(report[1]);
  int reason = child < 0 ? errno : 0;
  if (child > 0) {
    waitpid(child, nullptr, 0);
    // Nothing to read: the command started, and did not fail at once.
    if (read(report[0], &reason, sizeof reason) != sizeof reason) reason = 0;
  }
  close(report[0]);
  if (reason > 0) *error = "cannot start " + words[0] + ": " + std::strerror(reason);
  if (reason < 0) {
    *error = words[0] + " ended at once with exit status " + std::to_string(-reason);
  }
  return reason == 0;
}

}  // namespace

bool OpenInBrowser(const std::string& url, std::string* error) {
  const char* browser = std::getenv("BROWSER");
  std::vector<std::string> commands = Split(browser != nullptr ? browser : "", ':');
  if (commands.empty()) commands.push_back("xdg-open");
  bool tried = false;
  for (const std::string& command : commands) {
    const std::vector<std::string> words = Words(command, url);
    if (words.size() < 2) continue;
    if (Start(words, error)) return true;
    tried = true;
  }
  if (!tried) *error = "no command in BROWSER";
  return false;
}

}  // namespace j6::platform
