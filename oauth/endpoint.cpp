#include "oauth/endpoint.h"

#include "net/transport.h"
#include "platform/wipe.h"
#include "run/https_proxy.h"

namespace j6::oauth {

namespace {

// Tokens of 1 to 4 kB, an ID token beside them: far below this.
constexpr std::size_t kLargestAnswer = std::size_t{64} * 1024;

/// Whether the request uses up what it carries (a refresh token that
/// rotates, a code redeemed once): it goes on a connection of its own,
/// never on a kept one that curl would send it again on.
bool UsesUp(const FormFields& fields) {
  for (const auto& [name, value] : fields) {
    if (name == "grant_type") return value != "client_credentials";
  }
  return false;
}

}  // namespace

bool PostToEndpoint(const std::string& url, const OAuthClient& client, const FormFields& fields,
                    EndpointAnswer* answer, std::string* error) {
  platform::DynamicLibrary library;
  net::Transport transport;
  if (!net::FindTransport(&library, &transport, error)) return false;
  std::vector<J6HttpsField> form;
  for (const auto& [name, value] : fields) form.push_back({name.c_str(), value.c_str()});
  const HttpsRoute route = HttpsRouteFor(client.proxy, url);
  const J6HttpsForm request{
      url.c_str(),           client.caFile.empty() ? nullptr : client.caFile.c_str(),
      client.timeoutSeconds, form.data(),
      form.size(),           route.proxies.c_str(),
      UsesUp(fields) ? 1 : 0};
  std::string body(kLargestAnswer, '\0');
  J6HttpsAnswer received{0, body.data(), body.size(), 0, 0, 0, 0, 0, {}, {}};
  char text[512] = {};
  const int posted = transport.postForm(&request, &received, text, sizeof text);
  if (posted == 0) {
    *error = text[0] != '\0' ? text : "no answer";
    return false;
  }
  body.resize(received.bodySize);
  const bool parsed = ParseEndpointAnswer(received.status, body, answer, error);
  platform::Wipe(&body);
  answer->serverDate = received.date;
  return parsed;
}

void WipeForm(FormFields* fields) {
  for (auto& [name, value] : *fields) platform::Wipe(&value);
}

}  // namespace j6::oauth
