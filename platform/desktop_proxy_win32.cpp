#include "platform/desktop_proxy.h"

// clang-format off
#include <windows.h>
#include <winhttp.h>
// clang-format on

#include <memory>

#include "platform/proxy_lists.h"
#include "platform/url.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

namespace {

// A script that never comes, or one that loops, must not hold a run (and its
// area's lock): the whole decision takes this long at most.
constexpr DWORD kScriptMilliseconds = 10 * 1000;
// Each step of fetching the script, within that.
constexpr int kStepMilliseconds = 5 * 1000;

/// A text WinHTTP allocated, taken and freed.
std::string Taken(LPWSTR text) {
  if (text == nullptr) return std::string();
  std::string utf8 = Utf8FromWide(text);
  GlobalFree(text);
  return utf8;
}

/// One question to a configuration script (or to detection), answered on a
/// thread of its own: the caller may stop waiting and leave it behind, and
/// then the thread alone holds it.
struct ScriptQuery {
  std::wstring url;
  std::wstring scriptUrl;  // empty: detection alone
  bool detect = false;
  // The answer, read only once the thread has ended.
  bool answered = false;
  bool named = false;  // a proxy, not direct
  std::vector<std::string> proxies;
  DWORD error = 0;
};

WINHTTP_AUTOPROXY_OPTIONS OptionsOf(const ScriptQuery& query) {
  WINHTTP_AUTOPROXY_OPTIONS options{};
  options.dwFlags = (query.scriptUrl.empty() ? 0 : WINHTTP_AUTOPROXY_CONFIG_URL) |
                    (query.detect ? WINHTTP_AUTOPROXY_AUTO_DETECT : 0);
  options.dwAutoDetectFlags =
      query.detect ? WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A : 0;
  options.lpszAutoConfigUrl = query.scriptUrl.empty() ? nullptr : query.scriptUrl.c_str();
  // A script behind the user's Windows sign-in.
  options.fAutoLogonIfChallenged = TRUE;
  return options;
}

HINTERNET OpenSession(DWORD flags) {
  HINTERNET session = WinHttpOpen(L"J6Mailer", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, flags);
  if (session != nullptr) {
    WinHttpSetTimeouts(session, kStepMilliseconds, kStepMilliseconds, kStepMilliseconds,
                       kStepMilliseconds);
  }
  return session;
}

/// One entry of a script's list: "DIRECT", or the proxy as the transport
/// takes it.
std::string EntryOf(const WINHTTP_PROXY_RESULT_ENTRY& entry) {
  if (entry.fProxy == FALSE || entry.pwszProxy == nullptr) return "DIRECT";
  const std::string host = Utf8FromWide(entry.pwszProxy);
  const std::string port = std::to_string(entry.ProxyPort);
  if (entry.ProxyScheme == INTERNET_SCHEME_SOCKS) return "socks4://" + host + ":" + port;
  return host + ":" + port;
}

using CreateResolver = DWORD(WINAPI*)(HINTERNET, HINTERNET*);
using GetProxyForUrlEx = DWORD(WINAPI*)(HINTERNET, PCWSTR, WINHTTP_AUTOPROXY_OPTIONS*, DWORD_PTR);
using GetProxyResult = DWORD(WINAPI*)(HINTERNET, WINHTTP_PROXY_RESULT*);
using FreeProxyResult = VOID(WINAPI*)(WINHTTP_PROXY_RESULT*);

/// What the resolver's callback reports.
struct Completion {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD status = 0;
  DWORD error = 0;
  ~Completion() {
    if (done != nullptr) CloseHandle(done);
  }
};

void CALLBACK Completed(HINTERNET /*handle*/, DWORD_PTR context, DWORD status, LPVOID information,
                        DWORD /*length*/) {
  // WinHTTP hands the context back as the integer it was given.
  auto* completion = reinterpret_cast<Completion*>(context);  // NOLINT(performance-no-int-to-ptr)
  if (status != WINHTTP_CALLBACK_STATUS_GETPROXYFORURL_COMPLETE &&
      status != WINHTTP_CALLBACK_STATUS_REQUEST_ERROR) {
    return;
  }
  completion->status = status;
  if (status == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR && information != nullptr) {
    completion->error = static_cast<WINHTTP_ASYNC_RESULT*>(information)->dwError;
  }
  SetEvent(completion->done);
}

/// The script's whole list, from Windows 8 on (WinHttpGetProxyForUrlEx);
/// false when this Windows has no such call, and the older one must do.
bool AskForList(ScriptQuery* query) {
  const HMODULE winhttp = GetModuleHandleW(L"winhttp.dll");
  if (winhttp == nullptr) return false;
  // Through void*: FARPROC names no signature of its own.
  const auto lookUp = [winhttp](const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(winhttp, name));
  };
  const auto create = reinterpret_cast<CreateResolver>(lookUp("WinHttpCreateProxyResolver"));
  const auto ask = reinterpret_cast<GetProxyForUrlEx>(lookUp("WinHttpGetProxyForUrlEx"));
  const auto result = reinterpret_cast<GetProxyResult>(lookUp("WinHttpGetProxyResult"));
  const auto free = reinterpret_cast<FreeProxyResult>(lookUp("WinHttpFreeProxyResult"));
  if (create == nullptr || ask == nullptr || result == nullptr || free == nullptr) return false;
  HINTERNET session = OpenSession(WINHTTP_FLAG_ASYNC);
  HINTERNET resolver = nullptr;
  if (session == nullptr || create(session, &resolver) != ERROR_SUCCESS) {
    if (session != nullptr) WinHttpCloseHandle(session);
    return false;
  }
  Completion completion;
  WinHttpSetStatusCallback(
      resolver, Completed,
      WINHTTP_CALLBACK_FLAG_REQUEST_ERROR | WINHTTP_CALLBACK_FLAG_GETPROXYFORURL_COMPLETE, 0);
  WINHTTP_AUTOPROXY_OPTIONS options = OptionsOf(*query);
  DWORD asked =
      ask(resolver, query->url.c_str(), &options, reinterpret_cast<DWORD_PTR>(&completion));
  if (asked == ERROR_IO_PENDING) {
    WaitForSingleObject(completion.done, INFINITE);
    asked = completion.status == WINHTTP_CALLBACK_STATUS_GETPROXYFORURL_COMPLETE ? ERROR_SUCCESS
                                                                                 : completion.error;
  }
  WINHTTP_PROXY_RESULT list{};
  if (asked == ERROR_SUCCESS) asked = result(resolver, &list);
  query->error = asked;
  query->answered = asked == ERROR_SUCCESS;
  if (query->answered) {
    for (DWORD i = 0; i < list.cEntries; ++i) query->proxies.push_back(EntryOf(list.pEntries[i]));
    free(&list);
    // A list of DIRECT alone is no proxy.
    query->named =
        query->proxies.size() > 1 || (query->proxies.size() == 1 && query->proxies[0] != "DIRECT");
    if (!query->named) query->proxies.clear();
  }
  WinHttpSetStatusCallback(resolver, nullptr, 0, 0);
  WinHttpCloseHandle(resolver);
  WinHttpCloseHandle(session);
  return true;
}

/// The script's answer by the older call, which may give its first proxy
/// only.
void AskForFirst(ScriptQuery* query) {
  HINTERNET session = OpenSession(0);
  if (session == nullptr) {
    query->error = GetLastError();
    return;
  }
  WINHTTP_AUTOPROXY_OPTIONS options = OptionsOf(*query);
  WINHTTP_PROXY_INFO info{};
  query->answered = WinHttpGetProxyForUrl(session, query->url.c_str(), &options, &info) != FALSE;
  query->error = query->answered ? 0 : GetLastError();
  WinHttpCloseHandle(session);
  if (!query->answered) return;
  const std::string proxies = Taken(info.lpszProxy);
  Taken(info.lpszProxyBypass);
  if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
    query->proxies = HttpsProxiesOf(proxies);
    query->named = !query->proxies.empty();
  }
}

DWORD WINAPI Ask(LPVOID argument) {
  // The thread's own hold on the query: the caller may be gone.
  const std::unique_ptr<std::shared_ptr<ScriptQuery>> held(
      static_cast<std::shared_ptr<ScriptQuery>*>(argument));
  ScriptQuery* query = held->get();
  if (!AskForList(query)) AskForFirst(query);
  return 0;
}

/// What a configuration script, or automatic detection, names for `url`;
/// false with the reason when neither gives an answer in time.
bool AskScript(const std::string& url, const std::wstring& scriptUrl, bool detect,
               DesktopProxy* answer, std::string* reason) {
  auto query = std::make_shared<ScriptQuery>();
  query->url = WideFromUtf8(url);
  query->scriptUrl = scriptUrl;
  query->detect = detect;
  auto* held = new std::shared_ptr<ScriptQuery>(query);
  HANDLE thread = CreateThread(nullptr, 0, Ask, held, 0, nullptr);
  if (thread == nullptr) {
    delete held;
    *reason = "no thread could ask the proxy script (" + std::to_string(GetLastError()) + ")";
    return false;
  }
  const bool ended = WaitForSingleObject(thread, kScriptMilliseconds) == WAIT_OBJECT_0;
  CloseHandle(thread);  // a thread left behind ends by itself, or with the process
  const std::string what =
      scriptUrl.empty() ? std::string("automatic detection found no proxy script")
                        : "the proxy script " + Utf8FromWide(scriptUrl) + " could not be used";
  if (!ended) {
    *reason = what + " (no answer within " + std::to_string(kScriptMilliseconds / 1000) + " s)";
    return false;
  }
  if (!query->answered) {
    *reason = what + " (WinHTTP error " + std::to_string(query->error) + ")";
    return false;
  }
  if (query->named) answer->proxies = query->proxies;
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
  if (!fixed.empty() &&
      !BypassListMatches(bypass, host,
                         ReadRequestUrl(url).port.empty() ? "443" : ReadRequestUrl(url).port)) {
    answer.proxies = HttpsProxiesOf(fixed);
  }
  return answer;
}

}  // namespace j6::platform
