#include "dispatch/graph_settings.h"

#include "dispatch/smtp_settings.h"
#include "oauth/settings.h"
#include "platform/ascii.h"
#include "platform/tls_authorities.h"
#include "platform/url.h"

namespace j6 {

namespace {

constexpr char kGlobalService[] = "https://graph.microsoft.com/v1.0";

std::string Text(std::string_view value) { return std::string(value); }

/// The scope the grant needs of the service at `url`, when SCOPE gives none.
std::string DefaultScope(const std::string& url, std::string_view grant) {
  const std::string service = "https://" + platform::ReadUrl(url).host + "/";
  if (platform::EqualsIgnoringAsciiCase(grant, "CLIENT_CREDENTIALS")) {
    return service + ".default";
  }
  // Mail.ReadWrite for the drafts of large mails.
  return service + "Mail.Send " + service + "Mail.ReadWrite offline_access";
}

}  // namespace

std::string GraphUrl(const GraphSettings& graph) {
  std::string url = graph.url.empty() ? std::string(kGlobalService) : Text(graph.url.view());
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

bool CheckGraphSettings(const RunState& run, std::string* sender, std::string* error) {
  const GraphSettings& graph = run.graph;
  const std::string url = GraphUrl(graph);
  if (!graph.overlong.empty()) {
    *error = Text(graph.overlong.view()) + " is too long";
  } else if (graph.user.empty()) {
    *error = "MAPI=GRAPH needs USER";
  } else if (platform::ReadUrl(url).holdsLogin) {
    *error = "URL must not hold a user or password";
  } else if (!oauth::IsHttpsUrl(url)) {
    *error = "URL must be https://";
  } else {
    oauth::OAuthSettings settings;
    std::string_view from = graph.from.view();
    // Without either, the mailbox that sends.
    if (from.empty() && run.senderEmail.empty()) from = graph.user.view();
    return oauth::ReadOAuthSettings(GraphOAuthClient(run), &settings, error) &&
           ReadSender(run, from, sender, error);
  }
  return false;
}

oauth::OAuthClient GraphOAuthClient(const RunState& run) {
  const GraphSettings& graph = run.graph;
  const OAuthKeys& keys = run.graphOAuth;
  oauth::OAuthClient client;
  client.tokenUrl = Text(keys.tokenUrl.view());
  client.clientId = Text(keys.clientId.view());
  client.grant = Text(keys.grant.view());
  client.clientCert = Text(keys.clientCert.view());
  // Google's service accounts mail through Google alone.
  client.takesServiceAccounts = false;
  client.scope =
      keys.scope.empty() ? DefaultScope(GraphUrl(graph), client.grant) : Text(keys.scope.view());
  client.deviceUrl = Text(keys.deviceUrl.view());
  client.authorizeUrl = Text(keys.authorizeUrl.view());
  client.user = Text(graph.user.view());
  client.route = "MAPI=GRAPH";
  client.server = GraphUrl(graph);
  if (!platform::AuthorityFile(graph.caFile.view(), &client.caFile, &client.caFileError)) {
    client.caFile.clear();
  }
  client.timeoutSeconds = graph.timeoutSeconds;
  client.proxy = Text(run.proxy.view());
  client.proxyTooLong = run.overlong.view() == "PROXY";
  client.storeKey = "graph" + std::string(1, '\0') + client.server + '\0' + client.user;
  return client;
}

bool GraphOAuthClientIfAny(const RunState& run, oauth::OAuthClient* client) {
  *client = GraphOAuthClient(run);
  return true;
}

}  // namespace j6
