// The program's own configuration file, J6MailerCfg.ini beside the executable.
#pragma once

#include <string_view>

#include "run/run_state.h"

namespace j6 {

constexpr const char* kConfigFileName = "J6MailerCfg.ini";

/// The file's sections and the keys read in them, named once for the reader
/// and for the check program, which names any other as unread.
constexpr const char* kConfigSection = "MAILCLIENT";
constexpr const char* kLogFileKey = "LOGFILE";
constexpr const char* kMapiKey = "MAPI";
constexpr const char* kSmtpSection = "SMTP";
constexpr const char* kSmtpKeys[] = {"SERVER", "TLS", "USER", "FROM", "CAFILE", "TIMEOUT", "HELO"};

/// The configuration file's path, worked out on the first call and kept in the
/// run state. Empty when the executable's folder is too deep for the path to
/// fit its field: reading a cut-short path could find some other file.
const char* ConfigFilePath(RunState& run);

/// Reads "LOGFILE" and "MAPI" of section "MAILCLIENT", and the section
/// "SMTP", into the run state. A missing file or key leaves the setting
/// empty: no log, Simple MAPI. So does a log path longer than its field.
/// "TIMEOUT" is a whole number of seconds from 1 to 3600; anything else, or
/// none, gives 60.
void LoadConfiguration(RunState& run);

/// Whether a "MAPI" setting selects Extended MAPI: the whole value is
/// "EXTENDED" in any case.
bool IsExtendedMapi(std::string_view mapiMode);

/// Whether a "MAPI" setting selects the SMTP hand-over: "SMTP" in any case.
bool IsSmtpMode(std::string_view mapiMode);

}  // namespace j6
