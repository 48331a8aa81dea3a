// What an OAuth 2.0 endpoint answered: the token endpoint (RFC 6749 5.1 and
// 5.2) or the device authorization endpoint (RFC 8628 3.2), as JSON.
#pragma once

#include <string>
#include <string_view>

namespace j6::oauth {

struct EndpointAnswer {
  long status = 0;  // the HTTP status
  std::string accessToken, refreshToken, tokenType, scope;
  long expiresIn = 0;  // seconds; 0 when the endpoint gave none
  std::string error, errorDescription;
  // The device authorization endpoint's:
  std::string deviceCode, userCode, verificationUri, verificationUriComplete, message;
  long interval = 0;         // seconds between polls; 0 when none was given
  long long serverDate = 0;  // the answer's Date header, seconds since 1970; 0: none
};

/// Reads the JSON object of an answer of `status` into `*answer`; a field
/// that is missing, or not of its kind, stays empty (a number may come as
/// a string of digits, as some endpoints send it). False, with the reason,
/// when the body is no JSON object.
bool ParseEndpointAnswer(long status, std::string_view body, EndpointAnswer* answer,
                         std::string* error);

/// What a refusal says, as one line: "<error>: <first line of
/// error_description>", the error alone without a description, and
/// "answered <status>" without either.
std::string RefusalText(const EndpointAnswer& answer);

}  // namespace j6::oauth
