// Windows half of tests/support/registry_import.h: regedit /S, the way a
// user's settings get there.
#include <windows.h>

#include <vector>

#include "tests/support/registry_import.h"

namespace j6::test {

namespace {

constexpr DWORD kGiveUpMilliseconds = 60000;

}  // namespace

bool ImportRegistryFile(const std::string& regFilePath) {
  char windowsFolder[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(windowsFolder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::string regedit = std::string(windowsFolder, length) + "\\regedit.exe";
  const std::string commandLine = "\"" + regedit + "\" /S \"" + regFilePath + "\"";
  std::vector<char> writable(commandLine.begin(), commandLine.end());
  writable.push_back('\0');

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(regedit.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  DWORD exitCode = 1;
  if (WaitForSingleObject(process.hProcess, kGiveUpMilliseconds) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exitCode);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode == 0;
}

}  // namespace j6::test
