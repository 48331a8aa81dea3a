// The network transport's HTTPS form POST, called in-process against the
// test server's HTTPS port: an answer of any status comes back whole, and
// the TLS rules and the time limit hold as for SMTP.
#include <gtest/gtest.h>

#include <string>

#include "net/transport.h"
#include "tests/e2e/smtp_server.h"

namespace j6::test {
namespace {

struct PostCase {
  const char* name;
  std::string url;
  const char* authority;  // the server folder's file the transport trusts
  std::size_t capacity;   // of the body's buffer
  int done;
  long status;
  const char* found;  // in the body when done, else in the error
};

TEST(FormPost, AnswersOfAnyStatusUnderTheRulesOfTls) {
  platform::DynamicLibrary library;
  net::Transport transport;
  std::string why;
  ASSERT_TRUE(net::FindTransport(&library, &transport, &why)) << why;
  const std::string https = "https://localhost:" + SmtpServerPort("https");
  const PostCase cases[] = {
      {"answer", https + "/token", "ca.pem", 256, 1, 200,
       R"({"method": "POST", "form": "grant_type=client_credentials&scope=https%3A%2F%2Fx%2F.default%20offline_access"})"},
      {"refusal", https + "/status/400", "ca.pem", 256, 1, 400, "grant_type=client_credentials"},
      {"too large", https + "/token", "ca.pem", 16, 0, 200, "larger than 16 bytes"},
      // OpenSSL and Schannel word it each their own way.
      {"untrusted", https + "/token", "other-ca.pem", 256, 0, 0, "ertificate"},
      {"not https", "http://localhost:" + SmtpServerPort("https"), "ca.pem", 256, 0, 0,
       "not an https:// URL"},
      // An answer later than the time limit is still awaited.
      {"late answer", https + "/status/200?late=3", "ca.pem", 256, 1, 200, "POST"},
      {"silent", "https://localhost:" + SmtpServerPort("silent"), "ca.pem", 256, 0, 0, "time"},
  };
  const J6HttpsField fields[] = {{"grant_type", "client_credentials"},
                                 {"scope", "https://x/.default offline_access"}};
  for (const PostCase& c : cases) {
    const std::string authority = SmtpServerFile(c.authority);
    const J6HttpsForm form{c.url.c_str(), authority.c_str(), 2, fields, 2, nullptr, 0};
    std::string body(c.capacity, 'x');
    J6HttpsAnswer answer{-1, body.data(), body.size(), 0, 0, 0, 0, 0, {}, {}};
    char error[256] = {};
    EXPECT_EQ(transport.postForm(&form, &answer, error, sizeof error), c.done) << c.name;
    EXPECT_EQ(answer.status, c.status) << c.name;
    const std::string text = c.done != 0 ? body.c_str() : error;
    EXPECT_NE(text.find(c.found), std::string::npos) << c.name << ": " << text;
  }
}

}  // namespace
}  // namespace j6::test
