// Handing the message to Microsoft Graph (sendMail), without a mail client:
// for Microsoft 365 mailboxes whose tenant has switched SMTP sign-in off.
#pragma once

#include <string>

#include "dispatch/api_session.h"
#include "dispatch/hand_over.h"
#include "run/run_state.h"

namespace j6 {

/// Sends the message ComposeMail made in `run` as the mailbox of the [GRAPH]
/// settings: the MIME message whole by sendMail when its base64 fits the 4
/// MB Graph takes, else as a draft, its attachments added (large ones
/// through upload sessions), then sent; a draft left by a failure is
/// deleted. Every check that needs no server (the settings, the addresses,
/// the attachments) comes before the token is asked for. When `wait`
/// (MailWait mode) the user is asked first.
HandOver SendGraph(RunState& run, bool wait);

/// How Graph asks for waits (429; 503 and 504 with Retry-After) and words a
/// refusal (its error object's code and message).
extern const ApiPolicy kGraphPolicy;

/// Asks Graph for the mailbox of the [GRAPH] settings with `token`, sending
/// nothing: false with Graph's refusal, or what failed, in `*error`. For
/// the check program.
bool ProbeGraph(const RunState& run, const std::string& token, std::string* error);

}  // namespace j6
