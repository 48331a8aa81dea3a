// The administrator's check of one desktop: what a run of J6Mailer would
// meet, read through the run's own code, and nothing changed. No log line is
// written (the run log is never set), no request is read or taken, no mail
// is made.
#pragma once

#include <string_view>

#include "check/report.h"

namespace j6::check {

/// Every check, in the order a run meets what it checks, for a run of
/// `area` (empty: the mono-server settings, and no request).
void CheckDesktop(std::string_view area, Report& report);

}  // namespace j6::check
