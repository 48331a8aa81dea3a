// The command line as the program receives it: everything after its own name.
#pragma once

#include <string>

namespace j6::platform {

/// What the start-up code leaves of the command line once the program's own
/// name and the blanks after it are gone; kept whole, blanks and quotes
/// included. Off Windows the arguments after the name, joined with single
/// blanks; on Windows taken from the process's command line, and argc and
/// argv are not used.
std::string CommandLineRemainder(int argc, char** argv);

/// Skips the program name of a Windows command line (characters above the
/// blank, and anything between double quotes), then every character of code 32
/// or less, and returns where the rest starts. Bytes compare as unsigned, so
/// an accented first letter of the rest is kept.
const char* SkipProgramName(const char* commandLine);

}  // namespace j6::platform
