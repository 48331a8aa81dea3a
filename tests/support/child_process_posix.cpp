// POSIX half of tests/support/child_process.h.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "tests/support/child_process.h"

namespace j6::test {

struct RunningProgram::Process {
  pid_t pid = -1;
  int errorPipe = -1;   // the child's standard error, where its boxes go
  int outputFile = -1;  // its standard output, an unnamed temporary file
};

RunningProgram::RunningProgram() : process_(new Process) {}

RunningProgram::~RunningProgram() {
  if (process_->pid > 0) {
    Kill();
    waitpid(process_->pid, nullptr, 0);
  }
  if (process_->errorPipe >= 0) close(process_->errorPipe);
  if (process_->outputFile >= 0) close(process_->outputFile);
}

bool RunningProgram::Start(const std::string& program, const std::string& remainder,
                           const std::string& workingDir) {
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
  const pid_t ended = waitpid(process_->pid, &status, 0);
  process_->pid = -1;
  if (ended <= 0) return false;
  result->output.clear();
  if (lseek(process_->outputFile, 0, SEEK_SET) == 0) {
    while ((count = read(process_->outputFile, chunk, sizeof chunk)) > 0) {
      result->output.append(chunk, static_cast<std::size_t>(count));
    }
  }
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
