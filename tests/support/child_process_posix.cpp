// POSIX half of tests/support/child_process.h.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace j6::test {

struct RunningProgram::Process {
  pid_t pid = -1;
  int errorPipe = -1;   // the child's standard error, where its boxes go
  int outputFile = -1;  // its standard output, an unnamed temporary file
  int terminal = -1;    // the pseudo-terminal the answer is typed at
};

namespace {

/// A pseudo-terminal with `line` already typed at it: its controller side,
/// and in `*name` the side the program reads. -1 when none can be had.
int TerminalWithLine(const std::string& line, std::string* name) {
  const int controller = posix_openpt(O_RDWR | O_NOCTTY);
  if (controller < 0) return -1;
  const char* device = nullptr;
  if (grantpt(controller) != 0 || unlockpt(controller) != 0 ||
      (device = ptsname(controller)) == nullptr) {
    close(controller);
    return -1;
  }
  *name = device;
  if (write(controller, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
    close(controller);
    return -1;
  }
  return controller;
}

}  // namespace

RunningProgram::RunningProgram() : process_(new Process) {}

RunningProgram::~RunningProgram() {
  if (process_->pid > 0) {
    Kill();
    waitpid(process_->pid, nullptr, 0);
  }
  if (process_->errorPipe >= 0) close(process_->errorPipe);
  if (process_->outputFile >= 0) close(process_->outputFile);
  if (process_->terminal >= 0) close(process_->terminal);
}

bool RunningProgram::Start(const std::string& program, const std::string& remainder,
                           const std::string& workingDir, Answer answer) {
  std::string input = "/dev/null";
  if (answer != Answer::kNone) {
    // Typed as a user might: any case.
    process_->terminal = TerminalWithLine(answer == Answer::kYes ? "Yes\n" : "n\n", &input);
    if (process_->terminal < 0) return false;
  }
  std::FILE* output = std::tmpfile();
  if (output == nullptr) return false;
  if (process_->outputFile >= 0) close(process_->outputFile);
  process_->outputFile = fcntl(fileno(output), F_DUPFD_CLOEXEC, 0);
  std::fclose(output);
  int pipeEnds[2];
  if (process_->outputFile < 0 || pipe(pipeEnds) != 0) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    dup2(process_->outputFile, STDOUT_FILENO);
    const int in = open(input.c_str(), O_RDONLY);
    if (in < 0 || dup2(in, STDIN_FILENO) < 0) _exit(126);
    dup2(pipeEnds[1], STDERR_FILENO);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    if (chdir(workingDir.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    if (!remainder.empty()) argv.push_back(const_cast<char*>(remainder.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  process_->pid = child;
  process_->errorPipe = pipeEnds[0];
  return true;
}

bool RunningProgram::Wait(ChildResult* result) {
  if (process_->pid <= 0) return false;
  result->boxes.clear();
  char chunk[512];
  ssize_t count;
  while ((count = read(process_->errorPipe, chunk, sizeof chunk)) > 0) {
    result->boxes.append(chunk, static_cast<std::size_t>(count));
  }
  int status = 0;
  rusage usage{};
  const pid_t ended = wait4(process_->pid, &status, 0, &usage);
  process_->pid = -1;
  if (ended <= 0) return false;
  result->output.clear();
  if (lseek(process_->outputFile, 0, SEEK_SET) == 0) {
    while ((count = read(process_->outputFile, chunk, sizeof chunk)) > 0) {
      result->output.append(chunk, static_cast<std::size_t>(count));
    }
  }
  result->peakKilobytes = usage.ru_maxrss;
  result->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

bool RunningProgram::Running() {
  if (process_->pid <= 0) return false;
  siginfo_t info{};
  // Looks without reaping, so that Wait still learns how it ended.
  return waitid(P_PID, static_cast<id_t>(process_->pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0;
}

void RunningProgram::Kill() {
  if (process_->pid > 0) kill(process_->pid, SIGKILL);
}

std::string OwnDirectory() {
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return ".";
  std::string path(buffer.data(), static_cast<std::size_t>(length));
  return path.substr(0, path.rfind('/'));
}

}  // namespace j6::test
