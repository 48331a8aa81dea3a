// Composing the message from what the request and the settings gave.
#pragma once

#include "run/run_state.h"

namespace j6 {

/// Trims and completes the message fields of `run`, which the acquisition
/// filled: default subject
/// and body, the body lines joined, the second attachment's full path.
/// Returns whether the request asks for MailWait mode (the message shown to
/// the user in the mail client's form instead of being sent at once).
bool ComposeMail(RunState& run);

}  // namespace j6
