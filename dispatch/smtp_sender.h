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

/// What a probe of the server found.
enum class SmtpProbe {
  kAnswered,  // the session opened, the login (if any) and the sender were taken
  kUnsure,    // the sender taken, but the postmaster of its domain refused for another reason
  kRefused,   // the sender refused, no login offered, or a proxy's refusal: `*error` says so
  kFailed,    // no session: `*error` is the server's or curl's reason
};

/// Opens a session with the server of the [SMTP] settings as a send would
/// (TLS as they ask, the certificate verified, the login with the stored
/// password), asks MAIL FROM the run's sender, RCPT TO the postmaster of its
/// domain, then RSET, and closes it without sending anything; what failed
/// in `*error` ("the server refuses mail from ...: 553 ... (set FROM ...)").
/// For the check program.
SmtpProbe ProbeSmtpServer(const RunState& run, std::string* error);

/// The "Proxy: <proxy> for <host>" line of [SMTP] PROXY; empty without one.
std::string SmtpProxyLine(const SmtpSettings& smtp);

}  // namespace j6
