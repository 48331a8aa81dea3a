// The OAuth sign-in in-process: the endpoints' answers, and when a stored
// access token is reused.
#include <gtest/gtest.h>

#include <string>

#include "dispatch/smtp_settings.h"
#include "oauth/access_token.h"
#include "oauth/client_certificate.h"
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

// CLIENT_CERT as Windows shows a thumbprint, and the dates a certificate's
// lines name (the end-to-end tests compare others with Python's).
TEST(OAuth, ThumbprintsAsCopiedAndDatesAsNamed) {
  const std::string digits = "A74BB01DAC7FE89CDE1B724CF50C15B512D0AB8C";
  std::string bytes;
  // Either case, blanks or colons between, the dialog's U+200E before (a
  // '?' in an ANSI file).
  for (const std::string& copied :
       {digits, std::string("a7 4b b0 1d ac 7f e8 9c de 1b 72 4c f5 0c 15 b5 12 d0 ab 8c"),
        std::string("A7:4B:B0:1D:AC:7F:E8:9C:DE:1B:72:4C:F5:0C:15:B5:12:D0:AB:8C"),
        "\xE2\x80\x8E" + digits, "?" + digits}) {
    EXPECT_TRUE(oauth::ReadThumbprint(copied, &bytes) && oauth::ThumbprintText(bytes) == digits)
        << copied;
  }
  for (const std::string& wrong : {digits.substr(1), digits + "0", digits.substr(0, 39) + "G",
                                   std::string("C:\\keys\\client.pem")}) {
    EXPECT_FALSE(oauth::ReadThumbprint(wrong, &bytes)) << wrong;
  }
  // A leap day, and before 1970.
  EXPECT_EQ(oauth::UtcText(951825600) + "|" + oauth::UtcText(-1),
            "2000-02-29 12:00 UTC|1969-12-31 23:59 UTC");
}

}  // namespace
}  // namespace j6::test
