// Composing the message from what the request and the settings gave.
#pragma once

#include <string>
#include <string_view>

#include "run/run_state.h"

namespace j6 {

/// Trims and completes the message fields of `run`, which the acquisition
/// filled: default subject
/// and body, the body lines joined, the second attachment's full path.
/// Returns whether the request asks for MailWait mode (the message shown to
/// the user in the mail client's form instead of being sent at once).
bool ComposeMail(RunState& run);

/// The body the record's three lines make: the first line, then each other
/// line that is not empty after a line feed; the default text when that
/// leaves nothing.
std::string JoinBodyLines(std::string_view line1, std::string_view line2, std::string_view line3);

/// The composed body as the log shows it: the lines joined as in the mail,
/// every CR and LF inside a line shown as \r and \n, so that only the
/// joining line feeds start lines of the log (see LogBodyLine).
std::string BodyAsLogged(const RunState& run);

}  // namespace j6
