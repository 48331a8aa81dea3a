// The authorization code grant with PKCE and a loopback redirect (RFC 8252):
// the provider's sign-in page opens in the user's browser, which then brings
// a code back to a listener of this program on 127.0.0.1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "oauth/pkce.h"
#include "oauth/sign_in.h"

namespace j6::oauth {

/// The browser and the listener it comes back to.
/// Abstract so it can be mocked out for tests.
class BrowserSide {
 public:
  enum Outcome { kRequest, kTimedOut, kFailed };
  virtual ~BrowserSide() = default;
  /// Starts listening; the port into `*port`.
  virtual bool Listen(std::uint16_t* port, std::string* error) = 0;
  virtual bool Open(const std::string& url, std::string* error) = 0;
  /// The target of the next request to the listener.
  virtual Outcome Next(std::uint32_t milliseconds, std::string* target, std::string* error) = 0;
  /// Answers the request Next gave with a page.
  virtual void Answer(int status, const std::string& html) = 0;
};

/// How long the user has to sign in on the provider's pages.
constexpr std::uint32_t kBrowserWaitMilliseconds = 10 * 60 * 1000;

/// The authorization request: AUTHORIZE_URL with response_type=code,
/// client_id, redirect_uri, scope, state, code_challenge and
/// code_challenge_method=S256.
std::string AuthorizationUrl(const SignInRequest& request, const std::string& redirectUri,
                             const Pkce& pkce);

enum class Redirect {
  kOther,    // not the redirect (a favicon, say): answered 404, the wait goes on
  kCode,     // the code, for this sign-in
  kRefused,  // the provider's error, or a state not this sign-in's
};

/// What the request `target` to the listener brings.
Redirect ReadRedirect(std::string_view target, const std::string& state, std::string* code,
                      std::string* error);

/// Opens the browser (printing the address too, for a browser elsewhere),
/// waits for the redirect and redeems its code at the token endpoint with
/// the verifier. The tokens into `*tokens`; false, with the reason in
/// `*error`, when the user is not signed in.
bool SignInWithBrowser(const SignInRequest& request, const SignInWorld& world, BrowserSide& browser,
                       EndpointAnswer* tokens, std::string* error);

}  // namespace j6::oauth
