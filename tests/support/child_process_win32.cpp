// Windows half of tests/support/child_process.h: CreateProcessA, so that the
// program sees exactly the command line a test asks for (blanks and quotes
// included), as it would from the host.
#include <windows.h>

#include <vector>

#include "tests/support/child_process.h"

namespace j6::test {

bool RunProgram(const std::string& program, const std::string& remainder,
                const std::string& workingDir, ChildResult* result) {
  std::string commandLine = "\"" + program + "\"";
  if (!remainder.empty()) commandLine += " " + remainder;
  std::vector<char> writable(commandLine.begin(), commandLine.end());
  writable.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingDir.c_str(), &startup, &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  const bool known = GetExitCodeProcess(process.hProcess, &exitCode) != 0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result->exitCode = known ? static_cast<int>(exitCode) : -1;
  result->standardError.clear();
  return known;
}

std::string OwnDirectory() {
  std::vector<char> buffer(32768);
  const DWORD length =
      GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  std::string path(buffer.data(), length);
  return path.substr(0, path.rfind('\\'));
}

// Without a desktop MessageBoxA returns at once and shows nothing to read.
bool BoxesAreVisible() { return false; }

}  // namespace j6::test
