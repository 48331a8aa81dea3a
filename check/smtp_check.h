// The SMTP hand-over: its settings, the sender it needs, and a session with
// its server that sends nothing.
#pragma once

#include "check/report.h"
#include "run/run_state.h"

namespace j6::check {

/// Each [SMTP] setting with its value or its default; the sender address a
/// mail would go from; and the server: it answers, TLS is negotiated as the
/// settings ask with its certificate verified, and the login (USER, or the
/// stored credential) is accepted, or with AUTH=OAUTH2 the token (see
/// CheckOAuth). No mail is sent.
void CheckSmtp(const RunState& run, Report& report);

/// What follows every [fail] of a setting the run refuses.
inline constexpr char kNotSent[] = "every run ends in \"Email not sent.\"";

}  // namespace j6::check
