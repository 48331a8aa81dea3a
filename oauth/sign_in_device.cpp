#include "oauth/sign_in_device.h"

#include <cstdint>

namespace j6::oauth {

namespace {

constexpr char kDeviceCodeGrant[] = "urn:ietf:params:oauth:grant-type:device_code";
// RFC 8628 3.2 and 3.5: the interval when none is given, and what slow_down adds.
constexpr std::int64_t kDefaultInterval = 5;
constexpr std::int64_t kSlowDownSeconds = 5;
// A code without a lifetime of its own is given Microsoft's, 15 minutes.
constexpr std::int64_t kDefaultLifetime = 900;

bool AskForCode(const SignInRequest& request, const SignInWorld& world, EndpointAnswer* code,
                std::string* error) {
  if (!world.post(request.endpointUrl, {{"client_id", request.clientId}, {"scope", request.scope}},
                  code, error)) {
    *error = "the device authorization endpoint: " + *error;
    return false;
  }
  if (code->status != 200 || !code->error.empty()) {
    *error = "the device authorization endpoint refused: " + RefusalText(*code);
    return false;
  }
  if (code->deviceCode.empty() || code->userCode.empty() || code->verificationUri.empty()) {
    *error = "the device authorization endpoint gave no code to enter";
    return false;
  }
  return true;
}

void TellUser(const EndpointAnswer& code, std::int64_t lifetime, const SignInWorld& world) {
  world.say("To sign in, open " + code.verificationUri + " in a browser and enter the code " +
            code.userCode);
  if (!code.verificationUriComplete.empty()) {
    world.say("(or open " + code.verificationUriComplete + ", which holds the code)");
  }
  world.say("Waiting for the sign-in; the code expires in " + std::to_string(lifetime / 60) +
            " minutes.");
}

/// What a refusal of the token endpoint means while the user signs in.
std::string PollRefusal(const EndpointAnswer& answer) {
  if (answer.error == "expired_token") {
    return "the code expired before the sign-in was done: sign in again";
  }
  if (answer.error == "authorization_declined" || answer.error == "access_denied") {
    return "the sign-in was declined";
  }
  return "the token endpoint refused: " + RefusalText(answer);
}

}  // namespace

bool SignInOnDevice(const SignInRequest& request, const SignInWorld& world, EndpointAnswer* tokens,
                    std::string* error) {
  EndpointAnswer code;
  if (!AskForCode(request, world, &code, error)) return false;
  const std::int64_t lifetime = code.expiresIn > 0 ? code.expiresIn : kDefaultLifetime;
  const std::int64_t expiry = world.nowSeconds() + lifetime;
  std::int64_t interval = code.interval > 0 ? code.interval : kDefaultInterval;
  TellUser(code, lifetime, world);
  for (;;) {
    world.wait(interval);
    if (world.nowSeconds() >= expiry) {
      *error = "the code expired before the sign-in was done: sign in again";
      return false;
    }
    *tokens = EndpointAnswer();
    if (!world.post(request.tokenUrl,
                    {{"grant_type", kDeviceCodeGrant},
                     {"device_code", code.deviceCode},
                     {"client_id", request.clientId}},
                    tokens, error)) {
      *error = "the token endpoint: " + *error;
      return false;
    }
    if (tokens->error == "authorization_pending") continue;
    if (tokens->error == "slow_down") {
      interval += kSlowDownSeconds;
      continue;
    }
    if (tokens->status != 200 || !tokens->error.empty()) {
      *error = PollRefusal(*tokens);
      return false;
    }
    return GaveTokens(*tokens, error);
  }
}

}  // namespace j6::oauth
