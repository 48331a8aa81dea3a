#include "platform/desktop_proxy.h"

// clang-format off
#include <windows.h>
#include <winhttp.h>
// clang-format on

#include "platform/proxy_lists.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

namespace {

/// A text WinHTTP allocated, taken and freed.
std::string Taken(LPWSTR text) {
  if (text == nullptr) return std::string();
  std::string utf8 = Utf8FromWide(text);
  GlobalFree(text);
  return utf8;
}

/// The port a URL names, else https' own.
std::string PortOf(const std::string& url) {
  const std::size_t start = url.find("://") == std::string::npos ? 0 : url.find("://") + 3;
  const std::string authority = url.substr(start, url.find_first_of("/?#", start) - start);
  const std::size_t colon = authority.rfind(':');
  if (colon == std::string::npos || authority.find(']', colon) != std::string::npos) return "443";
  return authority.substr(colon + 1);
}

/// What a configuration script, or automatic detection, names for `url`;
/// false with the reason when neither gives an answer.
bool AskScript(const std::string& url, const std::wstring& scriptUrl, bool detect,
               DesktopProxy* answer, std::string* reason) {
  HINTERNET session = WinHttpOpen(L"J6Mailer", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
  if (session == nullptr) {
    *reason = "WinHttpOpen failed (" + std::to_string(GetLastError()) + ")";
    return false;
  }
  WINHTTP_AUTOPROXY_OPTIONS options{};
  options.dwFlags = (scriptUrl.empty() ? 0 : WINHTTP_AUTOPROXY_CONFIG_URL) |
                    (detect ? WINHTTP_AUTOPROXY_AUTO_DETECT : 0);
  options.dwAutoDetectFlags =
      detect ? WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A : 0;
  options.lpszAutoConfigUrl = scriptUrl.empty() ? nullptr : scriptUrl.c_str();
  // A script behind the user's Windows sign-in.
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info{};
  const std::wstring wideUrl = WideFromUtf8(url);
  const BOOL found = WinHttpGetProxyForUrl(session, wideUrl.c_str(), &options, &info);
  const DWORD error = GetLastError();
  WinHttpCloseHandle(session);
  if (found == FALSE) {
    *reason =
        (scriptUrl.empty() ? std::string("automatic detection found no proxy script")
                           : "the proxy script " + Utf8FromWide(scriptUrl) + " could not be used") +
        " (WinHTTP error " + std::to_string(error) + ")";
    return false;
  }
  const std::string proxies = Taken(info.lpszProxy);
  Taken(info.lpszProxyBypass);
  if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY)
    answer->proxies = HttpsProxiesOf(proxies);
  return true;
}

}  // namespace

DesktopProxy DesktopProxyFor(const std::string& url, const std::string& host) {
  DesktopProxy answer;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG settings{};
  if (WinHttpGetIEProxyConfigForCurrentUser(&settings) == FALSE) return answer;
  const std::string fixed = Taken(settings.lpszProxy);
  const std::string bypass = Taken(settings.lpszProxyBypass);
  const std::wstring script =
      settings.lpszAutoConfigUrl != nullptr ? std::wstring(settings.lpszAutoConfigUrl) : L"";
  Taken(settings.lpszAutoConfigUrl);
  // Detection that finds no script names no proxy: a fresh desktop has it on.
  answer.configured = !fixed.empty() || !script.empty();
  if (!script.empty() || settings.fAutoDetect != FALSE) {
    std::string reason;
    if (AskScript(url, script, settings.fAutoDetect != FALSE, &answer, &reason)) {
      answer.configured = true;
      return answer;
    }
    // Detection that finds nothing is the usual case on a desktop
    // without WPAD: only a script that fails is worth a line.
    if (!script.empty() || !fixed.empty()) {
      answer.note = reason + ": " + (fixed.empty() ? "direct" : "the fixed proxy");
    }
  }
  if (!fixed.empty() && !BypassListMatches(bypass, host, PortOf(url))) {
    answer.proxies = HttpsProxiesOf(fixed);
  }
  return answer;
}

}  // namespace j6::platform
