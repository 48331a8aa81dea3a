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

/// The registry export file that stands for the registry: $J6MAILER_REGISTRY,
/// else $XDG_CONFIG_HOME/j6mailer/user.reg, else ~/.config/j6mailer/user.reg.
std::string RegistryFilePath();

/// The folder the mail stand-ins write each message to: $J6MAILER_OUTBOX,
/// else $XDG_DATA_HOME/j6mailer/outbox, else ~/.local/share/j6mailer/outbox.
std::string OutboxFolder();

/// The folder of the secret store (secret_store.h): $J6MAILER_SECRETS, else
/// $XDG_DATA_HOME/j6mailer/secrets, else ~/.local/share/j6mailer/secrets.
std::string SecretsFolder();

/// Every backslash becomes a slash; a leading drive "X:" becomes the folder
/// <drives>/x (lower-case letter), a leading \\server\share the folder
/// <drives>/unc/server/share, and a path rooted with a backslash but without a
/// drive lies on drive C, as Windows resolves it against the current drive.
/// Under a drive or share "." and ".." steps are resolved as Windows resolves
/// them, never above the drive or share. A path that starts with a slash is
/// the host's own (the executable's folder, a log under /var/log) and only
/// has its backslashes turned; a relative path stays relative.
std::string PosixPath(std::string_view windowsPath);

/// As PosixPath, for a path that comes from the J6 server or a request and
/// so must never name the host's own folders: a leading slash is a Windows
/// root too (drive C, or a share when doubled), and a relative path lies
/// under drive C's root: nothing it names is outside the drives folder.
std::string ForeignPosixPath(std::string_view windowsPath);

}  // namespace j6::platform
