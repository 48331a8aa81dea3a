// What both ways of the one-time sign-in share: the endpoint's POST, the
// passing of time and the words for the user, handed in, so that each flow
// runs in a test against a table of answers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "oauth/endpoint.h"
#include "oauth/token_answer.h"

namespace j6::oauth {

/// A form POSTed to an endpoint and its answer read: the program's
/// PostToEndpoint, with the client secret when one is stored. False, with
/// the reason in `*error`, when no answer came.
using PostForm = std::function<bool(const std::string& url, const FormFields& fields,
                                    EndpointAnswer* answer, std::string* error)>;

struct SignInWorld {
  PostForm post;
  std::function<std::int64_t()> nowSeconds;          // a clock that never goes back
  std::function<void(std::int64_t seconds)> wait;    // sleeps
  std::function<void(const std::string& line)> say;  // a line for the user
};

/// The settings a sign-in is made with.
struct SignInRequest {
  std::string endpointUrl;  // DEVICE_URL or AUTHORIZE_URL
  std::string tokenUrl;
  std::string clientId;
  std::string scope;
};

/// Whether the token endpoint gave tokens; else `*error` says why not.
bool GaveTokens(const EndpointAnswer& answer, std::string* error);

}  // namespace j6::oauth
