#include "net/curl_rules.h"

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

}  // namespace j6::net
