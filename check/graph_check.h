// The Graph hand-over's settings and sign-in, for the check program.
#pragma once

#include "check/report.h"
#include "run/run_state.h"

namespace j6::check {

/// Each [GRAPH] setting with its value or its default, the sender (a
/// [warn] when it is not USER: that needs "Send As"), the OAuth sign-in (see
/// CheckOAuthClient), Graph taking the token, and the permissions the token
/// names where it can be read. Nothing is sent.
void CheckGraph(const RunState& run, Report& report);

}  // namespace j6::check
