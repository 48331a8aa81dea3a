// Handing the message to a mail server over SMTP, without a mail client.
#pragma once

#include <string>
#include <vector>

#include "dispatch/hand_over.h"
#include "run/run_state.h"

namespace j6 {

/// Sends the message ComposeMail made in `run` to the server of the [SMTP]
/// settings. Everything that can fail before the server is asked (the
/// settings, the addresses, the attachments) is checked first, so that a
/// mail goes whole or not at all. When `wait` (MailWait mode) the user is
/// asked first, as there is no compose form; a No is kCancelled.
HandOver SendSmtp(RunState& run, bool wait);

/// Opens a session with the server of the [SMTP] settings as a send would
/// (TLS as they ask, the certificate verified, the login with the stored
/// password), asks MAIL FROM the run's sender, then RSET, and closes it
/// without sending anything. False with what failed in `*error` ("the
/// server refuses mail from ...: 553 ... (set FROM ...)"). For the check
/// program.
bool ProbeSmtpServer(const RunState& run, std::string* error);

}  // namespace j6
