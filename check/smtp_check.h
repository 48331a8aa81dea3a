// The SMTP hand-over: its settings, the sender it needs, and a session with
// its server that sends nothing.
#pragma once

#include <string>

#include "check/report.h"
#include "run/run_state.h"

namespace j6::check {

/// Each [SMTP] setting with its value or its default; the sender address a
/// mail would go from; and the server: it answers, TLS is negotiated as the
/// settings ask with its certificate verified, and the login (USER, or the
/// stored credential) is accepted, or with AUTH=OAUTH2 the token (see
/// CheckOAuth). No mail is sent.
void CheckSmtp(const RunState& run, Report& report);

/// The server asked as a run would, sending nothing: `answered` when it
/// took the session, the login and the sender; a refusal that names what it
/// refuses (the sender, the login, a proxy) on its own, any other failure
/// after the server's name.
void ReportSmtpProbe(const RunState& run, const std::string& answered, Report& report);

/// What follows every [fail] of a setting the run refuses.
inline constexpr char kNotSent[] = "every run ends in \"Email not sent.\"";

}  // namespace j6::check
