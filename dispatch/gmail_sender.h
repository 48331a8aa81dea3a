// Handing the message to Gmail's API (messages.send), without a mail client:
// for Google mailboxes on networks that open nothing but HTTPS, and for
// Google's advice to send through the API rather than SMTP.
#pragma once

#include <string>

#include "dispatch/api_session.h"
#include "dispatch/hand_over.h"
#include "run/run_state.h"

namespace j6 {

/// Sends the message ComposeMail made in `run` as the mailbox of the [GMAIL]
/// settings, raw: in one upload up to 5 MB, else through a resumable
/// upload, a lost piece taken up from where Gmail says the upload stands.
/// Every check that needs no server (the settings, the addresses, the
/// attachments, Gmail's 35 MB) comes before the token is asked for. When
/// `wait` (MailWait mode) the user is asked first.
HandOver SendGmail(RunState& run, bool wait);

/// How Gmail asks for waits (429, and 403 for a rate limit, with the time
/// its message names) and words a refusal (Google's error object).
extern const ApiPolicy kGmailPolicy;

/// Asks Gmail to send a message without recipients with `token`, which it
/// refuses once the token and its scope are accepted: false with the
/// refusal, or what failed, in `*error`. For the check program.
bool ProbeGmail(const RunState& run, const std::string& token, std::string* error);

}  // namespace j6
