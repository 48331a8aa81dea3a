// Windows half of platform/browser.h: ShellExecuteExW, which hands the address
// to the handler the user chose for https. COM is set up first, as the shell
// asks, since a handler may be a COM object.
#include <windows.h>
// <objbase.h> and <shellapi.h> need <windows.h> first.
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "platform/browser.h"
#include "platform/system_message_win32.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

bool OpenInBrowser(const std::string& url, std::string* error) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const std::wstring wide = WideFromUtf8(url);
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = L"open";
  execute.lpFile = wide.c_str();
  execute.nShow = SW_SHOWNORMAL;
  const bool started = ShellExecuteExW(&execute) != 0;
  const DWORD code = GetLastError();
  if (SUCCEEDED(com)) CoUninitialize();
  if (!started) {
    *error = "cannot open the browser: " + SystemMessage(code != 0 ? code : ERROR_NO_ASSOCIATION);
    return false;
  }
  // A handler that ends at once and fails (Wine's winebrowser without a
  // browser) opened nothing; one still running, or handing over to a
  // running browser and ending well, did. No process: handed to a running
  // one by DDE or COM.
  DWORD exitCode = 0;
  if (execute.hProcess != nullptr) {
    if (WaitForSingleObject(execute.hProcess, 1000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(execute.hProcess, &exitCode)) {
      exitCode = 0;
    }
    CloseHandle(execute.hProcess);
  }
  if (exitCode == 0) return true;
  *error = "the browser's handler ended at once with exit code " + std::to_string(exitCode);
  return false;
}

}  // namespace j6::platform
