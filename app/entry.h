// The program's entry: one request from the command line to the exit status.
#pragma once

#include <string_view>

namespace j6 {

/// Whether the command line asks for usage help instead of naming an area:
/// it is empty, or its second character is "?" or a lower-case "h" (so "/?",
/// "-h" and "Ah1" do, "/H" and "A" do not).
bool IsHelpRequest(std::string_view areaName);

/// Reads the configuration, brackets the run with log lines and turns help
/// requests away with the usage box; otherwise hands the area name to the run
/// driver. Returns the exit status, always 0: outcomes show in the log and
/// in the boxes.
int MailerMain(std::string_view areaName);

}  // namespace j6
