// Inside net/ only: what every exchange of the transport does alike with
// libcurl.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/wipe.h"

namespace j6::net {

/// libcurl, set up once for the process; false, with curl's reason in
/// `error`, when it cannot be.
bool CurlReady(char* error, std::size_t errorSize);

/// `text` into the caller's error buffer, cut to fit.
void SetError(char* error, std::size_t errorSize, const std::string& text);

/// The TLS rules of every connection: TLS 1.2 at least, the server's
/// certificate and host name verified, against `caFile` when it is not null,
/// and revocation checked where the authority publishes it.
bool RequireVerifiedTls(CURL* curl, const char* caFile);

/// The way through `entry` (empty or "DIRECT": none, whatever the
/// environment says; else the proxy, with its login when its URL holds one,
/// else the signed-in user's sign-in), tunnelling with `tunnel` (SMTP).
bool ConfigureProxy(CURL* curl, const std::string& entry, const char* caFile, bool tunnel);

/// What a proxy answered a CONNECT, read from the header lines of the
/// exchange as they go by (a debug callback's): until the tunnel stands,
/// lines in are the proxy's.
class ProxyTunnel {
 public:
  /// A header line out; false when it was the proxy's CONNECT.
  bool HeaderOut(const char* data, std::size_t size);
  /// A header line in; false when it was the proxy's.
  bool HeaderIn(const char* data, std::size_t size);
  bool standing() const { return !connecting_; }

  /// "Proxy error: <proxy>: <status>: <why>" for a CONNECT answered
  /// `status` (not 2xx) on the way to `target` ("host:port"), through the
  /// proxy `entry`.
  std::string Refusal(const std::string& entry, long status, const std::string& target) const;

 private:
  bool connecting_ = false;
  bool okStatus_ = false;
  bool offersBasic_ = false;
  bool offersWindowsLogin_ = false;  // Negotiate or NTLM
};

/// A curl list of texts (header lines, recipients), freed with its holder.
class HeaderList {
 public:
  HeaderList() = default;
  /// Its texts wiped first: a header may hold a bearer token.
  ~HeaderList() {
    for (curl_slist* item = list_; item != nullptr; item = item->next) {
      platform::WipeBytes(item->data, std::strlen(item->data));
    }
    curl_slist_free_all(list_);
  }
  HeaderList(const HeaderList&) = delete;
  HeaderList& operator=(const HeaderList&) = delete;

  bool Add(const char* text) {
    curl_slist* grown = curl_slist_append(list_, text);
    if (grown == nullptr) return false;
    list_ = grown;
    return true;
  }
  bool AddAll(const char* const* texts, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      if (!Add(texts[i])) return false;
    }
    return true;
  }
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

}  // namespace j6::net
