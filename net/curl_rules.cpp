#include "net/curl_rules.h"

#include "platform/proxy_lists.h"

#include <cstdio>

namespace j6::net {

bool CurlReady(char* error, std::size_t errorSize) {
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised == CURLE_OK) return true;
  SetError(error, errorSize, curl_easy_strerror(initialised));
  return false;
}

void SetError(char* error, std::size_t errorSize, const std::string& text) {
  if (error == nullptr || errorSize == 0) return;
  std::snprintf(error, errorSize, "%s", text.c_str());
}

bool RequireVerifiedTls(CURL* curl, const char* caFile) {
  // curl 7.88 asks Schannel for TLS 1.0 and 1.1 too.
  bool ok =
      curl_easy_setopt(curl, CURLOPT_SSLVERSION, long{CURL_SSLVERSION_TLSv1_2}) == CURLE_OK &&
      curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
      curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK &&
      // A private authority seldom publishes revocation lists; Schannel
      // would refuse every certificate it signed. (Other TLS
      // libraries ignore the option.)
      curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, long{CURLSSLOPT_REVOKE_BEST_EFFORT}) == CURLE_OK;
  if (ok && caFile != nullptr) ok = curl_easy_setopt(curl, CURLOPT_CAINFO, caFile) == CURLE_OK;
  return ok;
}

namespace {

bool StartsWith(const char* data, std::size_t size, std::string_view prefix) {
  return size >= prefix.size() && curl_strnequal(data, prefix.data(), prefix.size()) != 0;
}

}  // namespace

bool ConfigureProxy(CURL* curl, const std::string& entry, const char* caFile, bool tunnel) {
  if (entry.empty() || curl_strequal(entry.c_str(), "DIRECT") != 0) {
    return curl_easy_setopt(curl, CURLOPT_PROXY, "") == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_NOPROXY, "*") == CURLE_OK;
  }
  const std::string url = entry.find("://") == std::string::npos ? "http://" + entry : entry;
  bool ok = curl_easy_setopt(curl, CURLOPT_PROXY, url.c_str()) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_NOPROXY, "") == CURLE_OK &&
            (!tunnel || curl_easy_setopt(curl, CURLOPT_HTTPPROXYTUNNEL, 1L) == CURLE_OK);
  // An HTTPS proxy of a company is signed by the company's authority too.
  if (ok && caFile != nullptr)
    ok = curl_easy_setopt(curl, CURLOPT_PROXY_CAINFO, caFile) == CURLE_OK;
  if (platform::ProxyHoldsLogin(url)) {
    // curl takes the login from the URL, by whichever scheme the proxy asks.
    return ok && curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_ANY) == CURLE_OK;
  }
  // The signed-in user's sign-in, as browsers give a company proxy.
  return ok &&
         curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_NEGOTIATE | CURLAUTH_NTLM) ==
             CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, ":") == CURLE_OK;
}

bool ProxyTunnel::HeaderOut(const char* data, std::size_t size) {
  if (StartsWith(data, size, "CONNECT ")) {
    connecting_ = true;
    okStatus_ = false;
    offersBasic_ = offersWindowsLogin_ = false;
    return false;
  }
  connecting_ = false;
  return true;
}

bool ProxyTunnel::HeaderIn(const char* data, std::size_t size) {
  if (!connecting_) return true;
  if (StartsWith(data, size, "HTTP/")) {
    const std::string line(data, size);
    const std::size_t blank = line.find(' ');
    okStatus_ = blank != std::string::npos && line.compare(blank + 1, 1, "2") == 0;
  } else if (StartsWith(data, size, "Proxy-Authenticate:")) {
    std::string_view scheme(data + 19, size - 19);
    while (!scheme.empty() && scheme.front() == ' ') scheme.remove_prefix(1);
    if (StartsWith(scheme.data(), scheme.size(), "Basic")) offersBasic_ = true;
    if (StartsWith(scheme.data(), scheme.size(), "Negotiate") ||
        StartsWith(scheme.data(), scheme.size(), "NTLM")) {
      offersWindowsLogin_ = true;
    }
  } else if (okStatus_ && (size == 0 || data[0] == '\r' || data[0] == '\n')) {
    connecting_ = false;  // the end of the proxy's 2xx: the tunnel stands
  }
  return false;
}

std::string ProxyTunnel::Refusal(const std::string& entry, long status,
                                 const std::string& target) const {
  std::string text =
      "Proxy error: " + platform::ShownProxy(entry) + ": " + std::to_string(status) + ": ";
  if (status != 407) return text + "the proxy refuses the way to " + target;
  if (platform::ProxyHoldsLogin(entry))
    return text + "the proxy refuses the user name and password of its setting";
  if (offersBasic_ && !offersWindowsLogin_) {
    return text +
           "the proxy asks for a user name and password (Basic), which J6Mailer does not have: "
           "let this desktop through, or take the Windows login (Negotiate, NTLM)";
  }
  return text + "the proxy refuses the Windows login of this user (Negotiate or NTLM)";
}

}  // namespace j6::net
