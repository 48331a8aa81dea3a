// The transport's HTTPS requests: one request, and the answer's status,
// Retry-After and body, whatever the status. The form POST is one of them.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "net/curl_rules.h"
#include "net/net_transport.h"
#include "platform/proxy_lists.h"
#include "platform/url.h"

namespace {

using j6::net::HeaderList;
using j6::net::SetError;
using Clock = std::chrono::steady_clock;

struct CurlCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

/// The fields form-encoded: name=value, joined by "&", each percent-encoded.
bool FormBody(CURL* curl, const J6HttpsForm& form, std::string* body) {
  for (size_t i = 0; i < form.fieldCount; ++i) {
    const J6HttpsField& field = form.fields[i];
    char* name = curl_easy_escape(curl, field.name != nullptr ? field.name : "", 0);
    char* value = curl_easy_escape(curl, field.value != nullptr ? field.value : "", 0);
    const bool escaped = name != nullptr && value != nullptr;
    if (escaped) *body += std::string(i == 0 ? "" : "&") + name + "=" + value;
    // A value may be a client secret.
    if (value != nullptr) j6::platform::WipeBytes(value, std::strlen(value));
    curl_free(name);
    curl_free(value);
    if (!escaped) return false;
  }
  return true;
}

// A token endpoint rotates the refresh token as it answers, and a 4 MB mail
// on a slow line is long in going: an answer not waited for is a refresh
// token lost, or a mail sent twice.
constexpr long kAnswerSeconds = 120;

/// One exchange under way: the body going out, the answer coming in, and
/// the time each has taken.
struct Exchange {
  Exchange(const J6HttpsRequest* sent, J6HttpsAnswer* received) : request(sent), answer(received) {}
  const J6HttpsRequest* request;
  J6HttpsAnswer* answer;
  std::string failure;  // ours, when we ended it
  unsigned long long bodyOut = 0;
  bool headersOut = false;  // the request's own, not a proxy's CONNECT
  bool tooLarge = false;
  bool encoded = false;  // a Content-Encoding came, which curl does not undo unasked
  long long date = 0;    // the server's Date header
  j6::net::ProxyTunnel tunnel;
  curl_off_t moved = -1;  // bytes up and down when it last moved
  Clock::time_point movedAt = Clock::now();
};

bool RequestOut(const Exchange& exchange) {
  const J6HttpsRequest& request = *exchange.request;
  const unsigned long long size = request.read != nullptr ? request.readSize : request.dataSize;
  return exchange.headersOut && exchange.bodyOut >= size;
}

/// Appends what arrives to the caller's buffer, keeping room for the zero;
/// a body that does not fit ends the transfer.
size_t Receive(char* data, size_t size, size_t count, void* arg) {
  auto* exchange = static_cast<Exchange*>(arg);
  J6HttpsAnswer& answer = *exchange->answer;
  const size_t bytes = size * count;
  if (answer.bodyCapacity == 0 || bytes >= answer.bodyCapacity - answer.bodySize) {
    exchange->tooLarge = true;
    return 0;
  }
  std::memcpy(answer.body + answer.bodySize, data, bytes);
  answer.bodySize += bytes;
  answer.body[answer.bodySize] = '\0';
  return bytes;
}

size_t Send(char* buffer, size_t size, size_t count, void* arg) {
  auto* exchange = static_cast<Exchange*>(arg);
  const J6HttpsRequest& request = *exchange->request;
  const size_t got = request.read(request.source, buffer, size * count);
  if (got != J6_READ_FAILED) return got;
  exchange->failure = "the request's body could not be read to its end";
  return CURL_READFUNC_ABORT;
}

/// Whether this libcurl can undo a compressed answer (Debian's has zlib;
/// the Windows builds' has none).
bool Decompresses() {
  return (curl_version_info(CURLVERSION_NOW)->features & CURL_VERSION_LIBZ) != 0;
}

/// The value of a header line of `name` ("Location:"), blanks around it
/// dropped; false for a line of another name.
bool HeaderValue(const char* data, size_t size, const char* name, std::string* value) {
  const size_t length = std::strlen(name);
  if (size <= length || curl_strnequal(data, name, length) == 0) return false;
  value->assign(data + length, size - length);
  value->erase(0, value->find_first_not_of(" \t"));
  value->erase(value->find_last_not_of(" \t\r\n") + 1);
  return true;
}

/// Copies a header's value into a field of the answer; one that does not
/// fit is left empty rather than cut (a cut upload URL would name another).
template <size_t N>
void Keep(const std::string& value, char (&field)[N]) {
  field[0] = '\0';
  if (value.size() < N) std::memcpy(field, value.c_str(), value.size() + 1);
}

// What went out: the request's head, then its body; a proxy's CONNECT is
// not the request, which goes only once the tunnel stands.
int Watch(CURL* /*curl*/, curl_infotype type, char* data, size_t size, void* arg) {
  auto* exchange = static_cast<Exchange*>(arg);
  if (type == CURLINFO_HEADER_OUT && exchange->tunnel.HeaderOut(data, size)) {
    exchange->headersOut = true;
  }
  // Where curl asked for it, it undoes it.
  if (type == CURLINFO_HEADER_IN && exchange->tunnel.HeaderIn(data, size)) {
    std::string value;
    if (!Decompresses() && HeaderValue(data, size, "Content-Encoding:", &value) && !value.empty() &&
        curl_strequal(value.c_str(), "identity") == 0) {
      exchange->encoded = true;
    }
    // The server's clock, for a check that the desktop's is near it.
    if (HeaderValue(data, size, "Date:", &value)) {
      const time_t date = curl_getdate(value.c_str(), nullptr);
      if (date > 0) exchange->date = date;
    }
    // A resumable upload's session, and how far it stands.
    if (HeaderValue(data, size, "Location:", &value)) Keep(value, exchange->answer->location);
    if (HeaderValue(data, size, "Range:", &value)) Keep(value, exchange->answer->range);
  }
  if (type == CURLINFO_DATA_OUT) exchange->bodyOut += size;
  return 0;
}

/// TIMEOUT for any stall; the status, once the request is out, is awaited
/// longer. curl has one limit for the whole transfer, too short for a large
/// body or too long for a dead line, so this holds the limit as it goes.
int KeepPace(void* arg, curl_off_t /*dltotal*/, curl_off_t dlnow, curl_off_t /*ultotal*/,
             curl_off_t ulnow) {
  auto* exchange = static_cast<Exchange*>(arg);
  const Clock::time_point now = Clock::now();
  // Connecting has curl's own limit.
  if (!exchange->headersOut) return 0;
  if (ulnow + dlnow != exchange->moved) {
    exchange->moved = ulnow + dlnow;
    exchange->movedAt = now;
    return 0;
  }
  const long timeout = exchange->request->timeoutSeconds;
  const bool awaitingStatus = RequestOut(*exchange) && dlnow == 0;
  const long seconds = awaitingStatus && timeout < kAnswerSeconds ? kAnswerSeconds : timeout;
  if (now - exchange->movedAt <= std::chrono::seconds(seconds)) return 0;
  exchange->failure = awaitingStatus
                          ? "Timeout: no answer in " + std::to_string(seconds) + " s"
                          : "Timeout: the transfer stalled for " + std::to_string(seconds) + " s";
  return 1;
}

bool ConfigureBody(CURL* curl, const J6HttpsRequest& request, Exchange* exchange) {
  const std::string method = request.method != nullptr ? request.method : "GET";
  if (request.read != nullptr) {
    const auto size = static_cast<curl_off_t>(request.readSize);
    // An upload is a PUT to curl; the method line says what it is.
    return curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, size) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_READFUNCTION, Send) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_READDATA, exchange) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str()) == CURLE_OK;
  }
  if (method == "GET") return true;
  const auto size = static_cast<curl_off_t>(request.dataSize);
  return curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, size) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.data != nullptr ? request.data : "") ==
             CURLE_OK &&
         (method == "POST" ||
          curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str()) == CURLE_OK);
}

/// The run's one share of connections, TLS sessions and DNS answers: a
/// process is one run, its requests go to few hosts, and a connection of
/// its own for each would cost a round trip or three each.
CURLSH* RunShare() {
  static CURLSH* const share = [] {
    CURLSH* made = curl_share_init();
    if (made != nullptr) {
      curl_share_setopt(made, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
      curl_share_setopt(made, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
      curl_share_setopt(made, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    return made;
  }();
  return share;
}

bool Configure(CURL* curl, const J6HttpsRequest& request, const HeaderList& headers,
               char* curlError, Exchange* exchange) {
  CURLSH* share = RunShare();
  return (share == nullptr || curl_easy_setopt(curl, CURLOPT_SHARE, share) == CURLE_OK) &&
         curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, request.fresh != 0 ? 1L : 0L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_USERAGENT, "J6Mailer/" J6_VERSION) == CURLE_OK &&
         (!Decompresses() || curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "") == CURLE_OK) &&
         curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_URL, request.url) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https") == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
         j6::net::RequireVerifiedTls(curl, request.caFile) &&
         curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, request.timeoutSeconds) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, KeepPace) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_XFERINFODATA, exchange) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, Watch) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_DEBUGDATA, exchange) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK &&
         ConfigureBody(curl, request, exchange) &&
         curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Receive) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEDATA, exchange) == CURLE_OK;
}

/// The proxies of the request, in order; one empty one: direct.
std::vector<std::string> ProxiesOf(const J6HttpsRequest& request) {
  std::vector<std::string> proxies;
  const std::string list = request.proxies != nullptr ? request.proxies : "";
  std::size_t at = 0;
  while (at < list.size()) {
    const std::size_t end = std::min(list.find(';', at), list.size());
    if (end > at) proxies.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  if (proxies.empty()) proxies.emplace_back();
  return proxies;
}

int Perform(CURL* curl, const J6HttpsRequest& request, J6HttpsAnswer* answer, char* error,
            size_t errorSize) {
  *answer = J6HttpsAnswer{0, answer->body, answer->bodyCapacity, 0, 0, 0, 0, 0, {}, {}};
  if (answer->body != nullptr && answer->bodyCapacity > 0) answer->body[0] = '\0';
  if (request.url == nullptr || curl_strnequal(request.url, "https://", 8) == 0) {
    SetError(error, errorSize,
             std::string("not an https:// URL: ") + (request.url != nullptr ? request.url : ""));
    return 0;
  }
  HeaderList headers;
  // No "Expect: 100-continue" pause before a large body.
  const bool listed =
      headers.Add("Expect:") && headers.AddAll(request.headers, request.headerCount);
  const std::vector<std::string> proxies = ProxiesOf(request);
  for (std::size_t tried = 0; tried < proxies.size(); ++tried) {
    const std::string& proxy = proxies[tried];
    *answer = J6HttpsAnswer{0, answer->body, answer->bodyCapacity, 0, 0, 0, 0, 0, {}, {}};
    if (answer->body != nullptr && answer->bodyCapacity > 0) answer->body[0] = '\0';
    char curlError[CURL_ERROR_SIZE] = {};
    Exchange exchange(&request, answer);
    curl_easy_reset(curl);
    if (!listed || !Configure(curl, request, headers, curlError, &exchange) ||
        !j6::net::ConfigureProxy(curl, proxy, request.caFile, false)) {
      SetError(error, errorSize, "libcurl could not be set up for the request");
      return 0;
    }
    const CURLcode result = curl_easy_perform(curl);
    answer->requestSent = RequestOut(exchange) ? 1 : 0;
    answer->encoded = exchange.encoded ? 1 : 0;
    answer->date = exchange.date;
    // Known once the answer began, also when its body did not fit.
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer->status);
    long connectCode = 0;
    curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    curl_off_t retryAfter = 0;
    if (curl_easy_getinfo(curl, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK) {
      answer->retryAfter = static_cast<long>(retryAfter);
    }
    if (exchange.tooLarge) {
      SetError(error, errorSize,
               "the answer is larger than " + std::to_string(answer->bodyCapacity) + " bytes");
      return 0;
    }
    if (result == CURLE_OK && answer->status != 0) return 1;
    const std::string text = !exchange.failure.empty() ? exchange.failure
                             : curlError[0] != '\0'    ? std::string(curlError)
                                                       : std::string(curl_easy_strerror(result));
    // A proxy that answered its CONNECT with a refusal is reached: the
    // next one is not tried.
    if (connectCode != 0 && connectCode / 100 != 2) {
      SetError(error, errorSize,
               exchange.tunnel.Refusal(proxy, connectCode,
                                       j6::platform::HostAndPort(request.url, "443")));
      return 0;
    }
    const bool direct = proxy.empty() || curl_strequal(proxy.c_str(), "DIRECT") != 0;
    const bool unreachable =
        result == CURLE_COULDNT_CONNECT || result == CURLE_COULDNT_RESOLVE_PROXY;
    if (direct || !unreachable || exchange.headersOut || tried + 1 == proxies.size()) {
      SetError(error, errorSize,
               direct || !unreachable
                   ? text
                   : "Proxy error: " + j6::platform::ShownProxy(proxy) + ": " + text);
      return 0;
    }
  }
  return 0;
}

int Run(const J6HttpsRequest& request, const J6HttpsForm* form, J6HttpsAnswer* answer, char* error,
        size_t errorSize) {
  if (!j6::net::CurlReady(error, errorSize)) return 0;
  const std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
  if (curl == nullptr) {
    SetError(error, errorSize, "libcurl could not be set up for the request");
    return 0;
  }
  if (form == nullptr) return Perform(curl.get(), request, answer, error, errorSize);
  std::string body;
  if (!FormBody(curl.get(), *form, &body)) {
    SetError(error, errorSize, "libcurl could not be set up for the request");
    return 0;
  }
  const char* type = "Content-Type: application/x-www-form-urlencoded";
  const J6HttpsRequest post{"POST",
                            form->url,
                            form->caFile,
                            form->timeoutSeconds,
                            &type,
                            1,
                            body.data(),
                            body.size(),
                            nullptr,
                            nullptr,
                            0,
                            form->proxies,
                            form->fresh};
  const int answered = Perform(curl.get(), post, answer, error, errorSize);
  j6::platform::Wipe(&body);
  return answered;
}

}  // namespace

extern "C" J6_NET_EXPORT int J6MailerNet_PostForm(const J6HttpsForm* form, J6HttpsAnswer* answer,
                                                  char* error, size_t errorSize) {
  try {
    return Run(J6HttpsRequest{}, form, answer, error, errorSize);
  } catch (...) {
    SetError(error, errorSize, "out of memory");
    return 0;
  }
}

extern "C" J6_NET_EXPORT int J6MailerNet_Request(const J6HttpsRequest* request,
                                                 J6HttpsAnswer* answer, char* error,
                                                 size_t errorSize) {
  try {
    return Run(*request, nullptr, answer, error, errorSize);
  } catch (...) {
    SetError(error, errorSize, "out of memory");
    return 0;
  }
}
