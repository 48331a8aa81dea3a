#include "oauth/endpoint.h"

#include "net/transport.h"
#include "oauth/client_secret.h"
#include "platform/files.h"

namespace j6::oauth {

namespace {

// Tokens of 1 to 4 kB, an ID token beside them: far below this.
constexpr std::size_t kLargestAnswer = std::size_t{64} * 1024;

/// Wipes a copy of the secret when it goes.
struct Wiped {
  std::string text;
  ~Wiped() {
    for (char& c : text) c = '\0';
  }
};

bool AddClientSecret(const SmtpSettings& smtp, ClientSecret secret, FormFields* fields,
                     Wiped* stored, std::string* error) {
  if (secret == ClientSecret::kNone) return true;
  bool found = false;
  if (!ReadClientSecret(smtp, &stored->text, &found, error)) return false;
  if (found) {
    fields->emplace_back("client_secret", stored->text);
  } else if (secret == ClientSecret::kRequired) {
    *error = "no client secret is stored as the password of " + CredentialTarget(smtp);
    return false;
  }
  return true;
}

}  // namespace

bool PostToEndpoint(const std::string& url, const SmtpSettings& smtp, const FormFields& fields,
                    ClientSecret secret, EndpointAnswer* answer, std::string* error) {
  FormFields sent = fields;
  Wiped stored;
  platform::DynamicLibrary library;
  net::Transport transport;
  if (!AddClientSecret(smtp, secret, &sent, &stored, error) ||
      !net::FindTransport(&library, &transport, error)) {
    return false;
  }
  std::vector<J6HttpsField> form;
  for (const auto& [name, value] : sent) form.push_back({name.c_str(), value.c_str()});
  const std::string caFile =
      smtp.caFile.empty() ? std::string() : platform::FileSystemPath(smtp.caFile.c_str());
  const J6HttpsForm request{url.c_str(), caFile.empty() ? nullptr : caFile.c_str(),
                            smtp.timeoutSeconds, form.data(), form.size()};
  std::string body(kLargestAnswer, '\0');
  J6HttpsAnswer received{0, body.data(), body.size(), 0};
  char text[512] = {};
  const int posted = transport.postForm(&request, &received, text, sizeof text);
  for (auto& [name, value] : sent) {
    if (name == "client_secret") value.assign(value.size(), '\0');
  }
  if (posted == 0) {
    *error = text[0] != '\0' ? text : "no answer";
    return false;
  }
  body.resize(received.bodySize);
  return ParseEndpointAnswer(received.status, body, answer, error);
}

}  // namespace j6::oauth
