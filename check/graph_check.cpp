#include "check/graph_check.h"

#include <algorithm>
#include <string>
#include <vector>

#include "check/oauth_check.h"
#include "check/smtp_check.h"
#include "dispatch/graph_json.h"
#include "dispatch/graph_sender.h"
#include "dispatch/graph_settings.h"
#include "platform/ascii.h"
#include "platform/wipe.h"

namespace j6::check {

namespace {

bool Names(const std::vector<std::string>& permissions, const char* wanted) {
  return std::any_of(permissions.begin(), permissions.end(), [wanted](const std::string& name) {
    return platform::EqualsIgnoringAsciiCase(name, wanted);
  });
}

/// Mail.Send, which every mail needs, and Mail.ReadWrite, which the drafts
/// of large mails need, as far as the token says.
void CheckPermissions(const std::string& token, Report& report) {
  std::vector<std::string> permissions;
  if (!ReadTokenPermissions(token, &permissions)) {
    report.Warn("the access token cannot be read: whether it grants Mail.Send cannot be told");
    return;
  }
  std::string named;
  for (const std::string& name : permissions) named += (named.empty() ? "" : " ") + name;
  if (!Names(permissions, "Mail.Send")) {
    report.Fail("the access token grants no Mail.Send (it grants " +
                (named.empty() ? std::string("nothing") : named) + "): " + kNotSent);
    return;
  }
  report.Ok("the access token grants " + named);
  if (!Names(permissions, "Mail.ReadWrite")) {
    report.Warn("no Mail.ReadWrite: mails whose attachments pass about 2 MB need Mail.ReadWrite");
  }
}

}  // namespace

void CheckGraph(const RunState& run, Report& report) {
  const GraphSettings& graph = run.graph;
  std::string sender;
  std::string error;
  if (!CheckGraphSettings(run, &sender, &error)) {
    report.Fail(error + ": " + kNotSent);
    return;
  }
  report.Ok("URL=" + GraphUrl(graph) + (graph.url.empty() ? " (default)" : ""));
  report.Ok("USER=" + std::string(graph.user.view()));
  const oauth::OAuthClient client = GraphOAuthClient(run);
  if (graph.caFile.empty()) {
    report.Ok(client.caFile.empty()
                  ? std::string("CAFILE=default (the system's authorities)")
                  : "CAFILE=default: under Wine, the host system's authorities " + client.caFile);
  } else {
    report.Ok("CAFILE=" + std::string(graph.caFile.view()));
  }
  report.Ok("TIMEOUT=" + std::to_string(graph.timeoutSeconds) + " seconds");
  if (platform::EqualsIgnoringAsciiCase(sender, graph.user.view())) {
    report.Ok("mail goes from " + sender);
  } else {
    report.Warn("mail goes from " + sender + ", not USER: the mailbox " +
                std::string(graph.user.view()) + " needs \"Send As\" on it");
  }
  std::string token;
  if (CheckOAuthClient(client, report, &token)) {
    ReportProxy(client, client.server, report);
    if (ProbeGraph(run, token, &error)) {
      report.Ok("Graph " + GraphUrl(graph) + " takes the token for " +
                std::string(graph.user.view()) + " (nothing sent)");
      CheckPermissions(token, report);
    } else if (error.rfind("Proxy error: ", 0) == 0) {
      report.Fail(error);  // the proxy's, not Graph's
    } else {
      report.Fail("Graph " + GraphUrl(graph) + ": " + error);
    }
  }
  platform::Wipe(&token);
}

}  // namespace j6::check
