// The [GMAIL] settings checked once, for the Gmail sender and the check
// program alike: the service's URL, the mailbox that sends, the sender, and
// the OAuth client they make, Google's endpoints by default.
#pragma once

#include <string>

#include "oauth/client.h"
#include "run/run_state.h"

namespace j6 {

/// URL, or Google's service when it is empty, without a slash at its end.
std::string GmailUrl(const GmailSettings& gmail);

/// Every rule by which a run refuses the settings, in the order it checks
/// them (a key too long, USER, URL, no client credentials, then the OAuth
/// keys), and the sender: FROM, else "MailFromEmail", else USER. False with
/// the reason; nothing here asks the network or a store.
bool CheckGmailSettings(const RunState& run, std::string* sender, std::string* error);

/// The OAuth client of [GMAIL]: TOKEN_URL, SCOPE (gmail.send) and
/// AUTHORIZE_URL Google's where empty; DEVICE_URL only as written (Google's
/// device flow takes no Gmail scope); its tokens stored under URL and USER.
oauth::OAuthClient GmailOAuthClient(const RunState& run);

/// GmailOAuthClient: Gmail signs in with nothing else.
bool GmailOAuthClientIfAny(const RunState& run, oauth::OAuthClient* client);

}  // namespace j6
