// The one-time sign-in in-process: the hash and PKCE against the standard
// vectors, and both flows against tables of what the endpoints answer.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "oauth/pkce.h"
#include "oauth/sha256.h"
#include "oauth/sign_in_browser.h"
#include "oauth/sign_in_device.h"
#include "oauth/url_query.h"

namespace j6::oauth {
namespace {

std::string Hex(const std::string& bytes) {
  std::string hex;
  char pair[3];
  for (const char byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(byte));
    hex += pair;
  }
  return hex;
}

TEST(SignIn, HashAndChallengeMatchTheStandardVectors) {
  const struct {
    std::string text;
    const char* digest;
  } rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& row : rows) EXPECT_EQ(Hex(Sha256(row.text)), row.digest);
  // RFC 7636 appendix B.
  EXPECT_EQ(S256Challenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
            "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
  EXPECT_EQ(Base64Url("\xfb\xff"), "-_8");
  Pkce pkce;
  std::string error;
  ASSERT_TRUE(MakePkce(&pkce, &error)) << error;
  EXPECT_EQ(pkce.verifier.size(), 43u);  // RFC 7636 4.1: 43 to 128
  EXPECT_EQ(pkce.challenge, S256Challenge(pkce.verifier));
}

EndpointAnswer Answer(long status, const char* error, const char* refreshToken = "") {
  EndpointAnswer answer;
  answer.status = status;
  answer.error = error;
  answer.refreshToken = refreshToken;
  answer.accessToken = status == 200 ? "at" : "";
  return answer;
}

EndpointAnswer Refusal(const char* error) { return Answer(400, error); }
EndpointAnswer Granted() { return Answer(200, "", "rt"); }

EndpointAnswer DeviceCode(long expiresIn, long interval) {
  EndpointAnswer code = Answer(200, "");
  code.deviceCode = "dc";
  code.userCode = "WDJB-MJHT";
  code.verificationUri = "https://login.example/device";
  code.expiresIn = expiresIn;
  code.interval = interval;
  return code;
}

/// The endpoints' answers in turn, and a clock that moves only while the
/// flow waits.
struct Scripted {
  std::vector<EndpointAnswer> answers;
  std::vector<FormFields> posted;
  std::vector<std::int64_t> waits;
  std::int64_t now = 0;

  SignInWorld World() {
    return {[this](const std::string&, const FormFields& fields, EndpointAnswer* answer,
                   std::string* error) {
              posted.push_back(fields);
              if (posted.size() > answers.size()) *error = "no answer";
              if (posted.size() > answers.size()) return false;
              *answer = answers[posted.size() - 1];
              return true;
            },
            [this] { return now; },
            [this](std::int64_t seconds) {
              waits.push_back(seconds);
              now += seconds;
            },
            [](const std::string&) {}};
  }
};

const SignInRequest kRequest{"https://login.example/endpoint", "https://login.example/token",
                             "j6-app", "SMTP.Send offline_access"};

TEST(SignIn, DeviceFlowPollsAsTheTokenEndpointAsks) {
  const struct {
    const char* name;
    std::vector<EndpointAnswer> answers;
    std::string error;  // a part of it; empty: signed in
    std::vector<std::int64_t> waits;
  } rows[] = {
      {"pending, slow_down, signed in",
       {DeviceCode(600, 2), Refusal("authorization_pending"), Refusal("slow_down"), Granted()},
       "",
       {2, 2, 7}},
      {"no interval given: 5 s", {DeviceCode(600, 0), Granted()}, "", {5}},
      {"expired_token", {DeviceCode(600, 2), Refusal("expired_token")}, "code expired", {2}},
      {"declined", {DeviceCode(600, 2), Refusal("authorization_declined")}, "declined", {2}},
      {"access_denied", {DeviceCode(600, 2), Refusal("access_denied")}, "declined", {2}},
      {"the code's own expiry",
       {DeviceCode(10, 4), Refusal("authorization_pending"), Refusal("authorization_pending")},
       "code expired",
       {4, 4, 4}},
      {"the client refused", {Refusal("invalid_client")}, "refused: invalid_client", {}},
      {"no refresh token", {DeviceCode(600, 2), Answer(200, "")}, "no refresh token", {2}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Scripted script;
    script.answers = row.answers;
    EndpointAnswer tokens;
    std::string error;
    EXPECT_EQ(SignInOnDevice(kRequest, script.World(), &tokens, &error), row.error.empty());
    EXPECT_NE(error.find(row.error), std::string::npos) << error;
    EXPECT_EQ(script.waits, row.waits);
    for (std::size_t poll = 1; poll < script.posted.size(); ++poll) {
      EXPECT_EQ(script.posted[poll], (FormFields{{"grant_type",
                                                  "urn:ietf:params:oauth:grant-type:"
                                                  "device_code"},
                                                 {"device_code", "dc"},
                                                 {"client_id", "j6-app"}}));
    }
  }
}

/// The listener's requests in turn; "<state>" stands for the state of the
/// address the browser was opened with.
class FakeBrowser : public BrowserSide {
 public:
  explicit FakeBrowser(std::vector<std::string> targets) : targets_(std::move(targets)) {}
  bool Listen(std::uint16_t* port, std::string*) override {
    *port = 4711;
    return true;
  }
  bool Open(const std::string& url, std::string*) override {
    opened = QueryOf(url);
    return true;
  }
  Outcome Next(std::uint32_t, std::string* target, std::string*) override {
    if (next_ == targets_.size()) return kTimedOut;
    *target = targets_[next_++];
    const std::size_t at = target->find("<state>");
    if (at != std::string::npos) target->replace(at, 7, opened["state"]);
    return kRequest;
  }
  void Answer(int status, const std::string&) override { statuses.push_back(status); }

  std::map<std::string, std::string> opened;
  std::vector<int> statuses;

 private:
  std::vector<std::string> targets_;
  std::size_t next_ = 0;
};

TEST(SignIn, BrowserFlowRedeemsOnlyThisSignInsCode) {
  const struct {
    const char* name;
    std::vector<std::string> targets;
    std::vector<EndpointAnswer> answers;
    std::string error;
    std::vector<int> statuses;
  } rows[] = {
      {"a favicon, then the redirect",
       {"/favicon.ico", "/?code=c%2F1&state=<state>"},
       {Granted()},
       "",
       {404, 200}},
      {"another sign-in's state", {"/?code=c1&state=forged"}, {}, "state differs", {400}},
      {"declined", {"/?error=access_denied&state=<state>"}, {}, "declined", {400}},
      {"refused",
       {"/?error=invalid_scope&error_description=no+such%0Ascope&state=<state>"},
       {},
       "refused: invalid_scope: no such",
       {400}},
      {"the code refused",
       {"/?code=c1&state=<state>"},
       {Refusal("invalid_grant")},
       "invalid_grant",
       {400}},
      {"nobody comes back", {}, {}, "no sign-in came back", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Scripted script;
    script.answers = row.answers;
    FakeBrowser browser(row.targets);
    EndpointAnswer tokens;
    std::string error;
    EXPECT_EQ(SignInWithBrowser(kRequest, script.World(), browser, &tokens, &error),
              row.error.empty());
    EXPECT_NE(error.find(row.error), std::string::npos) << error;
    EXPECT_EQ(browser.statuses, row.statuses);
    EXPECT_EQ(browser.opened["redirect_uri"], "http://127.0.0.1:4711/");
    EXPECT_EQ(browser.opened["code_challenge_method"], "S256");
    EXPECT_EQ(browser.opened["scope"], kRequest.scope);
    if (script.posted.empty()) continue;
    const FormFields& redeemed = script.posted[0];
    ASSERT_EQ(redeemed.size(), 5u);
    EXPECT_EQ(redeemed[1].second,
              row.targets.back().find("c%2F1") != std::string::npos ? "c/1" : "c1");
    EXPECT_EQ(redeemed[2].second, "http://127.0.0.1:4711/");
    EXPECT_EQ(S256Challenge(redeemed[4].second), browser.opened["code_challenge"]);
  }
}

}  // namespace
}  // namespace j6::oauth
