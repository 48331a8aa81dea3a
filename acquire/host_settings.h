// Server mode, the registry roots of the run, and the sender and network
// settings of the J6 client.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_state.h"

namespace j6 {

/// Which J6 servers an installation has; the numbers are the host's.
enum class ServerMode : int { kMono = 1, kMulti = 2 };

/// An area name that begins with a digit is served by the one J6 server
/// (mono-server); any other by the server its first three characters name.
/// Fills the run's outRoot and clientRoot; in multi-server mode also logs the
/// server's "NomeServer" and "FileIcon" settings.
ServerMode SelectServerMode(RunState& run, std::string_view areaName);

/// The mono-server roots, whatever the area: what SelectServerMode chooses
/// for an area name that begins with a digit.
void SelectMonoServer(RunState& run);

/// Whether the registry holds mono-server settings (ORV\J6\J6Out).
bool HasMonoServerSettings();

/// The servers whose settings the registry holds (ORV\J6<server>, the first
/// three characters of their areas' names), in order.
std::vector<std::string> ServersWithSettings();

/// Reads the sender, port, network switches and network folder into the run,
/// from under the roots SelectServerMode chose. False when the network
/// folder's setting is too long for its field: a cut path would name another
/// folder.
bool LoadNetworkSettings(RunState& run);

/// A yes/no setting is yes when its first two characters are "si" in any case.
bool IsYes(std::string_view setting);

/// The port a "PortNo" text gives: the decimal number at its start, as atoi
/// reads it; 8000 when that is 0, absent, or too large for 32 bits.
std::int32_t PortFromText(std::string_view text);

}  // namespace j6
