// The program's own configuration file, J6MailerCfg.ini beside the executable.
#pragma once

#include <string_view>

#include "run/configuration_keys.h"
#include "run/run_state.h"

namespace j6 {

constexpr const char* kConfigFileName = "J6MailerCfg.ini";

/// The configuration file's path, worked out on the first call and kept in the
/// run state. Empty when the executable's folder is too deep for the path to
/// fit its field: reading a cut-short path could find some other file.
const char* ConfigFilePath(RunState& run);

/// Reads every key of kConfigKeys into the run state, each by its rule. A
/// missing file or key leaves the setting empty: no log, Simple MAPI.
void LoadConfiguration(RunState& run);

/// The route a "MAPI" setting chooses: a route's name (run/routes.h) in any
/// case, the whole value; empty is Simple MAPI, and so is anything else, as
/// an unknown value.
HandOverKind ParseHandOverKind(std::string_view mapiMode);

}  // namespace j6
