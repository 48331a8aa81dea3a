// Inside net/ only: what every exchange of the transport does alike with
// libcurl.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <string>

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

}  // namespace j6::net
