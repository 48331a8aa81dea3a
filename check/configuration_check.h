// The configuration file beside the program, and the log it names.
#pragma once

#include "check/report.h"
#include "run/run_state.h"

namespace j6::check {

/// Reads the configuration into the run as J6Mailer does, and says what it
/// holds: the file found, LOGFILE and MAPI, and each section or key of it
/// that J6Mailer does not read.
void CheckConfiguration(RunState& run, Report& report);

/// The folder of the run's log exists and takes a new file (one is made and
/// removed again under a name of the check's own), and the log file, when
/// there is one, can be appended to. Nothing for a run without a log.
void CheckLogFolder(const RunState& run, Report& report);

}  // namespace j6::check
