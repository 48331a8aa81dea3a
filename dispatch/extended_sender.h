// Handing the message to the mail client through the Extended wrapper.
#pragma once

#include "dispatch/hand_over.h"
#include "run/run_state.h"

namespace j6 {

/// Builds the message ComposeMail made in `run` in the outbox the wrapper
/// opens and sends it, or when `wait` (what ComposeMail returned) shows it in
/// the client's form, which the user may close unsent (kCancelled).
HandOver SendExtended(RunState& run, bool wait);

}  // namespace j6
