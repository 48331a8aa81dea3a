#include "check/sign_in.h"

#include <chrono>
#include <string>
#include <thread>

#include "dispatch/route.h"
#include "oauth/client_proof.h"
#include "oauth/settings.h"
#include "oauth/sign_in_browser.h"
#include "oauth/sign_in_device.h"
#include "oauth/token_store.h"
#include "platform/browser.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/loopback_listener.h"
#include "platform/secret_store.h"
#include "platform/wipe.h"
#include "run/configuration.h"
#include "run/text.h"

namespace j6::check {

namespace {

constexpr std::string_view kSignIn = "--sign-in";
constexpr std::string_view kDevice = "--device";
// A run that refreshes holds the lock for one request at most.
constexpr std::uint32_t kLockMilliseconds = 5 * 60 * 1000;

/// The browser and the listener it comes back to: the platform's.
class SystemBrowser : public oauth::BrowserSide {
 public:
  bool Listen(std::uint16_t* port, std::string* error) override {
    if (!listener_.Open(error)) return false;
    *port = listener_.port();
    return true;
  }
  bool Open(const std::string& url, std::string* error) override {
    return platform::OpenInBrowser(url, error);
  }
  Outcome Next(std::uint32_t milliseconds, std::string* target, std::string* error) override {
    switch (listener_.Next(milliseconds, target, error)) {
      case platform::LoopbackListener::kRequest:
        return kRequest;
      case platform::LoopbackListener::kTimedOut:
        return kTimedOut;
      case platform::LoopbackListener::kFailed:
        break;
    }
    return kFailed;
  }
  void Answer(int status, const std::string& html) override { listener_.Answer(status, html); }

 private:
  platform::LoopbackListener listener_;
};

oauth::SignInWorld TheWorld(const oauth::OAuthClient& client, std::FILE* out) {
  oauth::SignInWorld world;
  // A desktop app may have a client secret (Google's have one that is no
  // secret), and then every request carries it; a confidential client with
  // a certificate signs its requests to TOKEN_URL instead.
  world.post = [&client](const std::string& url, const oauth::FormFields& fields,
                         oauth::EndpointAnswer* answer, std::string* error) {
    oauth::FormFields form = fields;
    const bool posted =
        oauth::AddClientProof(client, oauth::ClientSecret::kIfStored, url, &form, error) &&
        oauth::PostToEndpoint(url, client, form, answer, error);
    oauth::WipeForm(&form);
    return posted;
  };
  world.nowSeconds = [] {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
  world.wait = [](std::int64_t seconds) {
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
  };
  world.say = [out](const std::string& line) {
    std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
  };
  return world;
}

/// The settings make a sign-in, and which: the device flow into `*device`.
bool ReadyToSignIn(const RunState& run, const oauth::OAuthClient& client, bool deviceAsked,
                   bool* device, std::string* error) {
  oauth::OAuthSettings settings;
  const char* section = RouteOf(run.handOver).section;
  if (!oauth::ReadOAuthSettings(client, &settings, error)) return false;
  if (settings.grant != oauth::Grant::kRefreshToken) {
    *error = "GRANT=" + std::string(oauth::GrantName(settings.grant)) +
             " signs in as the app, with no user: nothing to sign in";
    return false;
  }
  *device = deviceAsked || client.authorizeUrl.empty();
  if (*device && client.deviceUrl.empty()) {
    *error = deviceAsked
                 ? "--device needs DEVICE_URL in [" + std::string(section) + "]"
                 : "[" + std::string(section) + "] has neither DEVICE_URL nor AUTHORIZE_URL";
    return false;
  }
  return true;
}

/// The tokens of the sign-in into the store, under the lock of the runs
/// that refresh them.
bool Keep(const oauth::OAuthClient& client, const oauth::EndpointAnswer& answer, std::int64_t asked,
          std::string* error) {
  oauth::Tokens tokens;
  tokens.refreshToken = answer.refreshToken;
  tokens.accessToken = answer.accessToken;
  tokens.expiresAt =
      answer.expiresIn > 0 && !answer.accessToken.empty() ? asked + answer.expiresIn : 0;
  tokens.lifetime = tokens.expiresAt != 0 ? answer.expiresIn : 0;
  tokens.tokenUrl = client.tokenUrl;
  tokens.clientId = client.clientId;
  tokens.scope = client.scope;
  platform::NamedLock lock;
  return oauth::LockTokens(client, kLockMilliseconds, &lock, error) &&
         oauth::StoreTokens(client, tokens, error);
}

}  // namespace

bool IsSignIn(std::string_view commandLine) {
  return TrimmedOfBlanks(commandLine).substr(0, kSignIn.size()) == kSignIn;
}

int SignIn(std::string_view commandLine, std::FILE* out) {
  platform::RememberStartFolder();
  const std::string_view option =
      TrimmedOfBlanks(TrimmedOfBlanks(commandLine).substr(kSignIn.size()));
  RunState run;
  LoadConfiguration(run);
  // The route MAPI names signs in with its own section's client.
  oauth::OAuthClient client;
  const bool signsIn = RouteOAuthClient(run, &client);
  const oauth::SignInWorld world = TheWorld(client, out);
  bool device = false;
  std::string error;
  if (!option.empty() && option != kDevice) {
    error = "unknown option " + std::string(option) + " (only --device)";
  } else if (!signsIn) {
    error = "MAPI=" + std::string(run.mapiMode.view()) + " does not sign in with OAuth 2.0 (in " +
            kConfigFileName + "; [SMTP] does with AUTH=OAUTH2)";
  } else if (ReadyToSignIn(run, client, !option.empty(), &device, &error)) {
    world.say("Signing in to " + client.server + " as " + client.user +
              (device ? ", with a code" : ", in the browser"));
    const oauth::SignInRequest request{device ? client.deviceUrl : client.authorizeUrl,
                                       client.tokenUrl, client.clientId, client.scope};
    // The access token's lifetime is counted from before it was asked for.
    const std::int64_t asked = platform::NowUtcSeconds();
    oauth::EndpointAnswer tokens;
    SystemBrowser browser;
    const bool signedIn = device
                              ? oauth::SignInOnDevice(request, world, &tokens, &error)
                              : oauth::SignInWithBrowser(request, world, browser, &tokens, &error);
    if (signedIn && Keep(client, tokens, asked, &error)) {
      std::string file;
      std::string ignored;
      platform::SecretFile(oauth::TokenSecretName(client), &file, &ignored);
      world.say("Signed in: J6Mailer now signs in to " + client.server + " as " + client.user +
                " by itself (the tokens are kept in " + file + ")");
      return 0;
    }
  }
  world.say("Not signed in: " + error);
  return 1;
}

}  // namespace j6::check
