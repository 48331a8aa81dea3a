// Windows half of platform/browser.h: ShellExecuteW, which hands the address
// to the handler the user chose for https. COM is set up first, as the shell
// asks, since a handler may be a COM object.
#include <windows.h>
// <objbase.h> and <shellapi.h> need <windows.h> first.
#include <objbase.h>
#include <shellapi.h>

#include <cstdint>

#include "platform/browser.h"
#include "platform/system_message_win32.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

bool OpenInBrowser(const std::string& url, std::string* error) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const std::wstring wide = WideFromUtf8(url);
  // Not a handle: a number above 32 on success, else the error.
  const auto result = reinterpret_cast<std::intptr_t>(
      ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  const DWORD code = GetLastError();
  if (SUCCEEDED(com)) CoUninitialize();
  if (result <= 32) {
    *error = "cannot open the browser: " + SystemMessage(code != 0 ? code : ERROR_NO_ASSOCIATION);
    return false;
  }
  return true;
}

}  // namespace j6::platform
