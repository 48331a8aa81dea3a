// The [GRAPH] settings checked once, for the Graph sender and the check
// program alike: the service's URL, the mailbox that sends, the sender, and
// the OAuth client they make.
#pragma once

#include <string>

#include "oauth/client.h"
#include "run/run_state.h"

namespace j6 {

/// URL, or Microsoft's global service when it is empty, without a slash at
/// its end: requests go to "<this>/users/<USER>/...".
std::string GraphUrl(const GraphSettings& graph);

/// Every rule by which a run refuses the settings, in the order it checks
/// them (a key too long, USER, URL, then the OAuth keys), and the sender:
/// FROM when it is set (the registry's "MailFromEmail" then its Reply-To),
/// else "MailFromEmail", else USER. False with the reason; nothing here asks the network or a
/// store.
bool CheckGraphSettings(const RunState& run, std::string* sender, std::string* error);

/// The OAuth client of [GRAPH]: its OAuth keys, USER, URL, CAFILE and
/// TIMEOUT; SCOPE, when empty, the service's own (.default for
/// CLIENT_CREDENTIALS; Mail.Send, Mail.ReadWrite and offline_access for
/// REFRESH_TOKEN); its tokens stored under URL and USER.
oauth::OAuthClient GraphOAuthClient(const RunState& run);

/// GraphOAuthClient: Graph signs in with nothing else.
bool GraphOAuthClientIfAny(const RunState& run, oauth::OAuthClient* client);

}  // namespace j6
