// Off Windows, where a Windows path lies in the file system. Shared by the
// program and the stand-in libraries, so that both find the same files.
#pragma once

#include <string>
#include <string_view>

namespace j6::platform {

/// The variable's value; empty when it is not set.
std::string EnvironmentText(const char* name);

/// $HOME, else the user's home folder from the password database.
std::string HomeDirectory();

/// The folder that stands for the drive letters and network shares:
/// $J6MAILER_DRIVES, else $XDG_DATA_HOME/j6mailer/drives, else
/// ~/.local/share/j6mailer/drives.
std::string DrivesRoot();

/// Every backslash becomes a slash; a leading drive "X:" becomes the folder
/// <drives>/x (lower-case letter) and a leading \\server\share the folder
/// <drives>/unc/server/share. A POSIX path passes through unchanged.
std::string PosixPath(std::string_view windowsPath);

}  // namespace j6::platform
