// The configuration file beside the program, and the log it names.
#pragma once

#include <string>

#include "check/report.h"
#include "run/run_state.h"

namespace j6::check {

/// Reads the configuration into the run as J6Mailer does, and says what it
/// holds: the file found, LOGFILE and MAPI, and each section or key of it
/// that J6Mailer does not read.
void CheckConfiguration(RunState& run, Report& report);

/// The folder of the run's log exists and takes a new file (one is made and
/// removed again under a name of the check's own), and the log file, when
/// there is one, can be appended to, with room on its disk. Nothing for a
/// run without a log.
void CheckLogFolder(const RunState& run, Report& report);

/// Warns when the disk of the host folder has less than 10 MB free for the
/// user: `what` names the folder ("the log folder C:\J6\"), `loss` what a
/// full disk costs a run.
void CheckFreeSpace(const std::string& hostFolder, const std::string& what, const std::string& loss,
                    Report& report);

}  // namespace j6::check
