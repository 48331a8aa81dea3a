// POSIX half of tests/support/child_process.h.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "tests/support/child_process.h"

namespace j6::test {

bool RunProgram(const std::string& program, const std::string& remainder,
                const std::string& workingDir, ChildResult* result) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
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
  result->boxes.clear();
  char chunk[512];
  ssize_t count;
  while ((count = read(pipeEnds[0], chunk, sizeof chunk)) > 0) {
    result->boxes.append(chunk, static_cast<std::size_t>(count));
  }
  close(pipeEnds[0]);
  int status = 0;
  if (waitpid(child, &status, 0) != child) return false;
  result->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

std::string OwnDirectory() {
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return ".";
  std::string path(buffer.data(), static_cast<std::size_t>(length));
  return path.substr(0, path.rfind('/'));
}

}  // namespace j6::test
