// The file name at the end of a path, by the rule of whoever reads it. The
// rules differ on purpose; each caller keeps the one its readers follow.
#pragma once

#include <string_view>

namespace j6::mail {

/// The host's rule: what follows the last backslash, the path itself when it
/// has none. The host's log lines name a document so, and to the host a
/// slash is part of a name.
std::string_view HostFileName(std::string_view path);

/// Windows' rule: what follows the last backslash or slash, since Windows
/// takes either as a separator.
std::string_view WindowsFileName(std::string_view path);

/// Windows' rule, and also what follows a colon: the Extended wrapper's, so
/// that a path on a drive's current folder ("C:report.pdf") gives MAPI a
/// name a file can have.
std::string_view WindowsFileNameAfterDrive(std::string_view path);

/// Whether Windows takes the file name for a device instead of a file: CON,
/// PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9, in any case, with or without
/// an extension, and with any trailing blanks and dots (which Windows drops).
bool IsDeviceName(std::string_view fileName);

}  // namespace j6::mail
