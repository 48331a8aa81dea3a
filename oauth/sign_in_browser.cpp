#include "oauth/sign_in_browser.h"

#include "oauth/url_query.h"

namespace j6::oauth {

namespace {

// Fixed words only: nothing of the request is echoed into the page.
constexpr char kSignedInPage[] =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>J6Mailer</title></head><body>"
    "<p>J6Mailer is signed in. You may close this window.</p></body></html>";
constexpr char kNotSignedInPage[] =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>J6Mailer</title></head><body>"
    "<p>J6Mailer is not signed in; J6MailerCheck says why. You may close this window.</p>"
    "</body></html>";
constexpr char kNotFoundPage[] = "<!DOCTYPE html><html><body><p>Not found.</p></body></html>";

/// Waits for the redirect; its code into `*code`.
bool AwaitCode(BrowserSide& browser, const std::string& state, std::string* code,
               std::string* error) {
  for (;;) {
    std::string target;
    switch (browser.Next(kBrowserWaitMilliseconds, &target, error)) {
      case BrowserSide::kTimedOut:
        *error = "no sign-in came back from the browser within " +
                 std::to_string(kBrowserWaitMilliseconds / 60000) + " minutes";
        return false;
      case BrowserSide::kFailed:
        return false;
      case BrowserSide::kRequest:
        break;
    }
    switch (ReadRedirect(target, state, code, error)) {
      case Redirect::kOther:
        browser.Answer(404, kNotFoundPage);
        continue;
      case Redirect::kRefused:
        browser.Answer(400, kNotSignedInPage);
        return false;
      case Redirect::kCode:
        return true;
    }
  }
}

}  // namespace

std::string AuthorizationUrl(const SignInRequest& request, const std::string& redirectUri,
                             const Pkce& pkce) {
  return WithQuery(request.endpointUrl, {{"response_type", "code"},
                                         {"client_id", request.clientId},
                                         {"redirect_uri", redirectUri},
                                         {"scope", request.scope},
                                         {"state", pkce.state},
                                         {"code_challenge", pkce.challenge},
                                         {"code_challenge_method", "S256"}});
}

Redirect ReadRedirect(std::string_view target, const std::string& state, std::string* code,
                      std::string* error) {
  const auto fields = QueryOf(target);
  const auto field = [&fields](const char* name) {
    const auto found = fields.find(name);
    return found != fields.end() ? found->second : std::string();
  };
  if (PathOf(target) != "/" || (field("code").empty() && field("error").empty())) {
    return Redirect::kOther;
  }
  if (field("state") != state) {
    *error = "the browser brought back another sign-in's answer (its state differs)";
    return Redirect::kRefused;
  }
  if (!field("error").empty()) {
    EndpointAnswer refusal;
    refusal.error = field("error");
    refusal.errorDescription = field("error_description");
    *error = refusal.error == "access_denied" ? std::string("the sign-in was declined")
                                              : "the provider refused: " + RefusalText(refusal);
    return Redirect::kRefused;
  }
  *code = field("code");
  return Redirect::kCode;
}

bool SignInWithBrowser(const SignInRequest& request, const SignInWorld& world, BrowserSide& browser,
                       EndpointAnswer* tokens, std::string* error) {
  Pkce pkce;
  std::uint16_t port = 0;
  if (!MakePkce(&pkce, error) || !browser.Listen(&port, error)) return false;
  // RFC 8252 7.3: the loopback address itself, not "localhost".
  const std::string redirectUri = "http://127.0.0.1:" + std::to_string(port) + "/";
  const std::string url = AuthorizationUrl(request, redirectUri, pkce);
  world.say("To sign in, open this address in a browser on this computer:");
  world.say(url);
  std::string opened;
  world.say(browser.Open(url, &opened) ? "(the browser was opened with it)" : "(" + opened + ")");
  world.say("Waiting for the sign-in in the browser...");
  std::string code;
  if (!AwaitCode(browser, pkce.state, &code, error)) return false;
  const bool posted = world.post(request.tokenUrl,
                                 {{"grant_type", "authorization_code"},
                                  {"code", code},
                                  {"redirect_uri", redirectUri},
                                  {"client_id", request.clientId},
                                  {"code_verifier", pkce.verifier}},
                                 tokens, error);
  const bool signedIn = posted && GaveTokens(*tokens, error);
  if (!posted) *error = "the token endpoint: " + *error;
  browser.Answer(signedIn ? 200 : 400, signedIn ? kSignedInPage : kNotSignedInPage);
  return signedIn;
}

}  // namespace j6::oauth
