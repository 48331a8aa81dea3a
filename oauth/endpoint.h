// A form POST to an OAuth 2.0 endpoint (the token endpoint, the device
// authorization endpoint), through the network transport under the rules of
// the SMTP hand-over's TLS: CAFILE, TIMEOUT, TLS 1.2 at least, https only.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "oauth/token_answer.h"
#include "run/run_state.h"

namespace j6::oauth {

using FormFields = std::vector<std::pair<std::string, std::string>>;

/// Whether the client secret goes with the form (client_secret_post).
enum class ClientSecret {
  kNone,
  kIfStored,  // a public client (a desktop app) may have none
  kRequired,  // none stored fails the call before anything is sent
};

/// Posts `fields` form-encoded to `url`, with the client secret as `secret`
/// asks, and reads the JSON answer, whatever its status. False, with the
/// reason, when no answer came or it was no JSON object.
bool PostToEndpoint(const std::string& url, const SmtpSettings& smtp, const FormFields& fields,
                    ClientSecret secret, EndpointAnswer* answer, std::string* error);

}  // namespace j6::oauth
