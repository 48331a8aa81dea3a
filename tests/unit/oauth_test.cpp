// The OAuth sign-in in-process: the endpoints' answers, and when a stored
// access token is reused.
#include <gtest/gtest.h>

#include <string>

#include "dispatch/smtp_settings.h"
#include "oauth/access_token.h"
#include "oauth/client_secret.h"
#include "oauth/token_answer.h"
#include "oauth/token_store.h"
#include "platform/secret_store.h"
#include "tests/support/environment.h"
#include "tests/support/scoped_outside.h"
#include "tests/support/temp_dir.h"

namespace j6::test {
namespace {

/// The fields a caller reads, "|" between them, and the refusal's text.
std::string Summary(const oauth::EndpointAnswer& a) {
  return a.accessToken + "|" + a.refreshToken + "|" + std::to_string(a.expiresIn) + "|" +
         a.verificationUri + "|" + std::to_string(a.interval) + "|" + oauth::RefusalText(a);
}

TEST(OAuth, EndpointAnswersAsTheCallerReadsThem) {
  const struct {
    long status;
    const char* body;
    const char* read;  // Summary, or the parse's error
  } cases[] = {
      {200, R"({"token_type":"Bearer","expires_in":3599,"access_token":"a"})",
       "a||3599||0|answered 200"},
      {200, R"({"access_token":"a","refresh_token":"r","expires_in":"3600"})",
       "a|r|3600||0|answered 200"},
      {200, R"({"access_token":"a","expires_in":-5,"refresh_token":7})", "a||0||0|answered 200"},
      {200, R"({"access_token":"a","expires_in":99999999999})", "a||0||0|answered 200"},
      {400, R"({"error":"invalid_grant","error_description":"AADSTS70000: no.\r\nTrace ID: 7"})",
       "||0||0|invalid_grant: AADSTS70000: no."},
      {401, R"({"error":"invalid_client","error_description":""})", "||0||0|invalid_client"},
      {200, R"({"device_code":"d","verification_url":"https://x/d","interval":"5"})",
       "||0|https://x/d|5|answered 200"},
      {502, "<html>Bad gateway</html>", "answered 502 without a JSON object"},
  };
  for (const auto& c : cases) {
    oauth::EndpointAnswer answer;
    std::string error;
    const bool parsed = oauth::ParseEndpointAnswer(c.status, c.body, &answer, &error);
    EXPECT_EQ(parsed ? Summary(answer) : error, c.read) << c.body;
  }
}

// Stored tokens without a refresh token: whatever is not reused is "not
// signed in", and no request goes.
TEST(OAuth, AccessTokenReusedWithFiveMinutesLeftForItsSettings) {
  const TempDir store;
  SetEnvironment("J6MAILER_SECRETS", store.File("secrets"));
  ScopedOutside outside;
  outside->nowUtcSeconds = [] { return std::int64_t{1800000000}; };
  oauth::OAuthClient client;
  client.server = "smtp://x";
  client.user = "u@x";
  client.tokenUrl = "https://x/t";
  client.clientId = "app";
  client.scope = "app";
  client.grant = "REFRESH_TOKEN";
  const struct {
    std::int64_t left;
    const char* clientId;
    const char* scope;
    const char* token;          // empty: not reused
    std::int64_t lifetime = 0;  // 0: an entry written before it was kept
  } cases[] = {{300, "app", "app", "at-1"},      {299, "app", "app", ""},
               {3600, "another app", "app", ""}, {3600, "app", "another scope", ""},
               {60, "app", "app", "at-1", 120},  {59, "app", "app", "", 120},
               {299, "app", "app", "", 3600}};
  for (const auto& c : cases) {
    std::string error, token;
    ASSERT_TRUE(oauth::StoreTokens(
        client, {"", "at-1", 1800000000 + c.left, client.tokenUrl, c.clientId, c.scope, c.lifetime},
        &error));
    EXPECT_EQ(oauth::ObtainAccessToken(client, &token, nullptr, &error), *c.token != '\0');
    EXPECT_EQ(token, c.token);
    EXPECT_EQ(error, *c.token != '\0' ? ""
                                      : "not signed in to smtp://x: run "
                                        "J6MailerCheck --sign-in");
    EXPECT_TRUE(platform::DeleteSecret(oauth::TokenSecretName(client), &error));
  }
}

// The [SMTP] route's client: its tokens under the name entries had before it
// had a value of its own, its secret in a place of its own.
TEST(OAuth, SmtpClientKeepsItsStoredEntriesAndHasASecretOfItsOwn) {
  RunState run;
  run.smtp.server.Assign("smtp://x");
  run.smtp.user.Assign("u@x");
  run.smtpOAuth.clientId.Assign("app");
  run.smtpOAuth.tokenUrl.Assign("https://login.x/t");
  const oauth::OAuthClient client = SmtpOAuthClient(run);
  EXPECT_EQ(oauth::TokenSecretName(client), "oauth-e947fe97dcbf5766");
  const platform::CredentialPlace secret = oauth::ClientSecretPlace(client);
  EXPECT_EQ(secret.target + "|" + secret.host + "|" + secret.login,
            "J6Mailer:oauth:app|login.x|app");
  EXPECT_EQ(client.formerSecret.target, "J6Mailer:smtp://x");
}

}  // namespace
}  // namespace j6::test
