// Server mode, the registry roots of the run, and the sender and network
// settings of the J6 client.
#pragma once

#include <cstdint>
#include <string_view>

namespace j6 {

constexpr int kMonoServer = 1;
constexpr int kMultiServer = 2;

/// An area name that begins with a digit is served by the one J6 server
/// (mono-server); any other by the server its first three characters name.
/// Fills the run state's outRoot and clientRoot; in multi-server mode also
/// logs the server's "NomeServer" and "FileIcon" settings.
int SelectServerMode(std::string_view areaName);

/// Reads the sender, port, network switches and network folder into the run
/// state. Must run after SelectServerMode. False when the network folder's
/// setting is too long for its field: a cut path would name another folder.
bool LoadNetworkSettings();

/// A yes/no setting is yes when its first two characters are "si" in any case.
bool IsYes(std::string_view setting);

/// The port a "PortNo" text gives: the decimal number at its start, as atoi
/// reads it; 8000 when that is 0, absent, or too large for 32 bits.
std::int32_t PortFromText(std::string_view text);

}  // namespace j6
