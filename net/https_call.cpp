// The transport's HTTPS form POST: one request, and the answer's status and
// body, whatever the status.
#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <string>

#include "net/curl_rules.h"
#include "net/net_transport.h"

namespace {

using j6::net::SetError;

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
    curl_free(name);
    curl_free(value);
    if (!escaped) return false;
  }
  return true;
}

struct Receiving {
  J6HttpsAnswer* answer;
  bool tooLarge = false;
};

/// Appends what arrives to the caller's buffer, keeping room for the zero;
/// a body that does not fit ends the transfer.
size_t Receive(char* data, size_t size, size_t count, void* arg) {
  auto* receiving = static_cast<Receiving*>(arg);
  J6HttpsAnswer& answer = *receiving->answer;
  const size_t bytes = size * count;
  if (answer.bodyCapacity == 0 || bytes >= answer.bodyCapacity - answer.bodySize) {
    receiving->tooLarge = true;
    return 0;
  }
  std::memcpy(answer.body + answer.bodySize, data, bytes);
  answer.bodySize += bytes;
  answer.body[answer.bodySize] = '\0';
  return bytes;
}

// A token endpoint rotates the refresh token as it answers: an answer not
// waited for is a refresh token lost.
constexpr long kAnswerSeconds = 120;

bool Configure(CURL* curl, const J6HttpsForm& form, const std::string& body, char* curlError,
               Receiving* receiving) {
  const long seconds = form.timeoutSeconds;
  const long whole = seconds + (seconds > kAnswerSeconds ? seconds : kAnswerSeconds);
  return curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_URL, form.url) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https") == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
         j6::net::RequireVerifiedTls(curl, form.caFile) &&
         curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, seconds) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_TIMEOUT, whole) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size())) ==
             CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str()) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Receive) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEDATA, receiving) == CURLE_OK;
}

int Post(const J6HttpsForm& form, J6HttpsAnswer* answer, char* error, size_t errorSize) {
  answer->status = 0;
  answer->bodySize = 0;
  if (answer->body != nullptr && answer->bodyCapacity > 0) answer->body[0] = '\0';
  if (form.url == nullptr || curl_strnequal(form.url, "https://", 8) == 0) {
    SetError(error, errorSize,
             std::string("not an https:// URL: ") + (form.url != nullptr ? form.url : ""));
    return 0;
  }
  if (!j6::net::CurlReady(error, errorSize)) return 0;
  const std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
  char curlError[CURL_ERROR_SIZE] = {};
  std::string body;
  Receiving receiving{answer};
  if (curl == nullptr || !FormBody(curl.get(), form, &body) ||
      !Configure(curl.get(), form, body, curlError, &receiving)) {
    SetError(error, errorSize, "libcurl could not be set up for the request");
    return 0;
  }
  const CURLcode result = curl_easy_perform(curl.get());
  // Known once the answer began, also when its body did not fit.
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &answer->status);
  if (receiving.tooLarge) {
    SetError(error, errorSize,
             "the answer is larger than " + std::to_string(answer->bodyCapacity) + " bytes");
    return 0;
  }
  if (result != CURLE_OK || answer->status == 0) {
    SetError(error, errorSize, curlError[0] != '\0' ? curlError : curl_easy_strerror(result));
    return 0;
  }
  return 1;
}

}  // namespace

extern "C" J6_NET_EXPORT int J6MailerNet_PostForm(const J6HttpsForm* form, J6HttpsAnswer* answer,
                                                  char* error, size_t errorSize) {
  try {
    return Post(*form, answer, error, errorSize);
  } catch (...) {
    SetError(error, errorSize, "out of memory");
    return 0;
  }
}
