// A form POST to an OAuth 2.0 endpoint (the token endpoint, the device
// authorization endpoint), through the network transport under the client's
// TLS rules: its CA file and time limit, TLS 1.2 at least, https only.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "oauth/client.h"
#include "oauth/token_answer.h"

namespace j6::oauth {

using FormFields = std::vector<std::pair<std::string, std::string>>;

/// Posts `fields` form-encoded to `url` and reads the JSON answer, whatever
/// its status. False, with the reason, when no answer came or it was no
/// JSON object.
bool PostToEndpoint(const std::string& url, const OAuthClient& client, const FormFields& fields,
                    EndpointAnswer* answer, std::string* error);

/// Overwrites every value of a form that was sent: a secret, an assertion,
/// a refresh token may be among them.
void WipeForm(FormFields* fields);

}  // namespace j6::oauth
