// The J6 settings a run reads from the registry, and the folders they name.
#pragma once

#include <string_view>

#include "check/report.h"
#include "platform/stand_ins.h"
#include "run/run_state.h"

namespace j6::check {

/// Off Windows, the files and folders that stand for Windows' own: the
/// registry export, the drives folder and the outbox. Nothing on Windows.
void CheckStandIns(const platform::StandInPlaces& places, Report& report);

/// Reads into the run, through the run's own code, the settings a run of
/// `area` reads (the mono-server ones for no area), and says each with its
/// value or that it is the default. False when the network folder's setting
/// cannot be used, which ends a run before it reads anything else.
bool CheckSettings(RunState& run, std::string_view area, Report& report);

/// The network folder, its mqbox\ and, in network mode, its SPOOL\ can be
/// reached; for an area, whether a request for it is waiting. Nothing is
/// read from a request and nothing is taken away.
void CheckFolders(const RunState& run, std::string_view area, Report& report);

}  // namespace j6::check
