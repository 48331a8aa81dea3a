// The check of MAPI=GMAIL: the [GMAIL] settings, the sender Gmail will
// write, the OAuth sign-in, and Gmail taking the token to send, with nothing
// sent.
#pragma once

#include "check/report.h"
#include "run/run_state.h"

namespace j6::check {

void CheckGmail(const RunState& run, Report& report);

}  // namespace j6::check
