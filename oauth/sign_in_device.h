// The device authorization grant (RFC 8628): the user signs in on any
// browser with a code this program prints, while it asks the token
// endpoint at the interval the provider sets until the sign-in is done.
#pragma once

#include <string>

#include "oauth/sign_in.h"

namespace j6::oauth {

/// Asks DEVICE_URL (request.endpointUrl) for a code, tells the user where to
/// enter it, and polls the token endpoint: authorization_pending waits the
/// interval again, slow_down adds 5 seconds to it from then on; the code's
/// expiry, expired_token, and a declined sign-in (authorization_declined,
/// access_denied) end it. The tokens into `*tokens`; false, with the reason
/// in `*error`, when the user is not signed in.
bool SignInOnDevice(const SignInRequest& request, const SignInWorld& world, EndpointAnswer* tokens,
                    std::string* error);

}  // namespace j6::oauth
