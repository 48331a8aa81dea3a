// The portable part of tests/support/child_process.h.
#include "tests/support/child_process.h"

namespace j6::test {

bool RunProgram(const std::string& program, const std::string& remainder,
                const std::string& workingDir, ChildResult* result, Answer answer) {
  RunningProgram running;
  return running.Start(program, remainder, workingDir, answer) && running.Wait(result);
}

}  // namespace j6::test
