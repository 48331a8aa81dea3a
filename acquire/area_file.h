// The area file: the request record the host drops into the network folder's
// mqbox\ under the area's name.
#pragma once

#include <string>
#include <string_view>

#include "run/run_state.h"

namespace j6 {

/// The network folder, a backslash unless it ends with one, and `tail`: how
/// the area file's and the local document's paths are built.
std::string AreaPathIn(std::string_view networkDir, std::string_view tail);

/// The area file's name within mqbox\: the area name's first 29 characters.
std::string_view AreaFileName(std::string_view areaName);

/// Builds the area file's path into the run, reads its first 512 bytes into
/// the run's record and, in network mode with "DelTmp" on, deletes
/// the file. False, with a log line, when the file cannot be opened or is
/// shorter than a record. An area name holding a path separator or a drive
/// colon is refused the same way, so a request cannot reach, or delete, a
/// file outside the drop folder; so is a device name (COM1, AUX.TXT), which
/// Windows would open as the device, and wait on it for good.
bool ReadAreaFile(RunState& run, std::string_view areaName);

}  // namespace j6
