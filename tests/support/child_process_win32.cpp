// Windows half of tests/support/child_process.h: CreateProcessA, so that the
// program sees exactly the command line a test asks for (blanks and quotes
// included), as it would from the host. While the program runs, every message
// box it shows is read and closed with OK, and a question (Yes and No) is
// answered as the test says, as a user would; the Wine prefix of the tests
// has the null graphics driver, under which boxes block.
#include <windows.h>

#include <cstdio>
#include <set>
#include <vector>

#include "tests/support/child_process.h"

namespace j6::test {

namespace {

constexpr DWORD kPollMilliseconds = 20;
constexpr DWORD kGiveUpMilliseconds = 60000;

std::string WindowText(HWND window) {
  std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  const int length = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

struct BoxSearch {
  DWORD processId;
  HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  // The window API hands the caller's pointer back as an integer.
  auto* search = reinterpret_cast<BoxSearch*>(param);  // NOLINT(performance-no-int-to-ptr)
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[16] = {};
  if (owner == search->processId && IsWindowVisible(window) &&
      GetClassNameA(window, className, sizeof className) > 0 &&
      std::string(className) == "#32770") {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

struct BoxContent {
  std::string text;
  bool icon = false;
};

BOOL CALLBACK ReadStatic(HWND control, LPARAM param) {
  auto* content = reinterpret_cast<BoxContent*>(param);  // NOLINT(performance-no-int-to-ptr)
  char className[16] = {};
  if (GetClassNameA(control, className, sizeof className) > 0 &&
      lstrcmpiA(className, "Static") == 0) {
    content->text += WindowText(control);
    if (SendMessageA(control, STM_GETICON, 0, 0) != 0) content->icon = true;
  }
  return TRUE;
}

/// A box as the off-Windows stand-in prints it: "caption: text" and a line
/// feed. The text is that of the box's static controls (the icon has none).
/// A box that is not system-modal or has no icon (the program's boxes are
/// system-modal warnings; which icon it is cannot be told from outside) says
/// so in brackets, so that the comparison of the line fails.
std::string BoxLine(HWND box) {
  BoxContent content;
  EnumChildWindows(box, ReadStatic, reinterpret_cast<LPARAM>(&content));
  std::string line = WindowText(box) + ": " + content.text;
  if ((GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) line += " [not system-modal]";
  if (!content.icon) line += " [no icon]";
  return line + "\n";
}

}  // namespace

struct RunningProgram::Process {
  PROCESS_INFORMATION info{};
  HANDLE output = INVALID_HANDLE_VALUE;  // its standard output, a temporary file
  Answer answer = Answer::kNone;
};

RunningProgram::RunningProgram() : process_(new Process) {}

RunningProgram::~RunningProgram() {
  if (process_->output != INVALID_HANDLE_VALUE) CloseHandle(process_->output);
  if (process_->info.hProcess == nullptr) return;
  Kill();
  WaitForSingleObject(process_->info.hProcess, INFINITE);
  CloseHandle(process_->info.hThread);
  CloseHandle(process_->info.hProcess);
}

namespace {

std::wstring Wide(const std::string& text, UINT codePage) {
  const int length =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

/// A file in the system's temporary folder that the program inherits as its
/// standard output, removed when the last handle to it is closed.
HANDLE TemporaryOutput() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"j6o", 0, name) == 0) {
    return INVALID_HANDLE_VALUE;
  }
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  return CreateFileW(name, GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

template <typename StartupInfo>
void HandOutput(HANDLE output, StartupInfo* startup) {
  startup->dwFlags |= STARTF_USESTDHANDLES;
  startup->hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup->hStdOutput = output;
  startup->hStdError = GetStdHandle(STD_ERROR_HANDLE);
}

bool IsAscii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

/// One CreateProcess, its output to a new temporary file in `*output`.
bool StartOnce(const std::string& program, const std::string& remainder,
               const std::string& workingDir, HANDLE* output, PROCESS_INFORMATION* info) {
  if (*output != INVALID_HANDLE_VALUE) CloseHandle(*output);
  *output = TemporaryOutput();
  if (*output == INVALID_HANDLE_VALUE) return false;
  if (!IsAscii(program)) {
    // A folder the ANSI code page cannot name: the program's path is UTF-8,
    // the rest of the command line ANSI text as ever.
    std::wstring commandLine = L"\"" + Wide(program, CP_UTF8) + L"\"";
    if (!remainder.empty()) commandLine += L" " + Wide(remainder, CP_ACP);
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HandOutput(*output, &startup);
    return CreateProcessW(Wide(program, CP_UTF8).c_str(), writable.data(), nullptr, nullptr, TRUE,
                          0, nullptr, Wide(workingDir, CP_UTF8).c_str(), &startup, info) != 0;
  }
  std::string commandLine = "\"" + program + "\"";
  if (!remainder.empty()) commandLine += " " + remainder;
  std::vector<char> writable(commandLine.begin(), commandLine.end());
  writable.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  HandOutput(*output, &startup);
  return CreateProcessA(program.c_str(), writable.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        workingDir.c_str(), &startup, info) != 0;
}

}  // namespace

bool RunningProgram::Start(const std::string& program, const std::string& remainder,
                           const std::string& workingDir, Answer answer) {
  process_->answer = answer;
  // Under load Wine has once refused to start a program it started a moment
  // before; the reason is printed, and a second try tells a refusal of the
  // moment from a program that cannot start.
  for (int tries = 1;; ++tries) {
    if (StartOnce(program, remainder, workingDir, &process_->output, &process_->info)) return true;
    std::fprintf(stderr, "could not start %s (try %d): error %lu\n", program.c_str(), tries,
                 GetLastError());
    if (tries == 3) return false;
    Sleep(500);
  }
}

bool RunningProgram::Wait(ChildResult* result) {
  const HANDLE process = process_->info.hProcess;
  if (process == nullptr) return false;
  result->boxes.clear();
  std::set<HWND> answered;
  const DWORD started = GetTickCount();
  while (WaitForSingleObject(process, kPollMilliseconds) == WAIT_TIMEOUT) {
    if (GetTickCount() - started > kGiveUpMilliseconds) {
      TerminateProcess(process, 999);
      WaitForSingleObject(process, INFINITE);
      break;
    }
    BoxSearch search{process_->info.dwProcessId};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.box != nullptr && answered.insert(search.box).second) {
      result->boxes += BoxLine(search.box);
      // A question has a Yes button; every other box is answered with OK.
      WPARAM button = IDOK;
      if (GetDlgItem(search.box, IDYES) != nullptr) {
        button = process_->answer == Answer::kYes ? IDYES : IDNO;
      }
      PostMessageA(search.box, WM_COMMAND, button, 0);
    }
  }
  DWORD exitCode = 0;
  const bool known = GetExitCodeProcess(process, &exitCode) != 0;
  result->output.clear();
  if (SetFilePointer(process_->output, 0, nullptr, FILE_BEGIN) == 0) {
    char chunk[4096];
    DWORD count = 0;
    while (ReadFile(process_->output, chunk, sizeof chunk, &count, nullptr) != 0 && count > 0) {
      result->output.append(chunk, count);
    }
  }
  CloseHandle(process_->info.hThread);
  CloseHandle(process);
  process_->info = PROCESS_INFORMATION{};
  result->exitCode = known ? static_cast<int>(exitCode) : -1;
  return known;
}

bool RunningProgram::Running() {
  return process_->info.hProcess != nullptr &&
         WaitForSingleObject(process_->info.hProcess, 0) == WAIT_TIMEOUT;
}

void RunningProgram::Kill() {
  if (process_->info.hProcess != nullptr) TerminateProcess(process_->info.hProcess, 137);
}

std::string OwnDirectory() {
  std::vector<char> buffer(32768);
  const DWORD length =
      GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  std::string path(buffer.data(), length);
  return path.substr(0, path.rfind('\\'));
}

}  // namespace j6::test
