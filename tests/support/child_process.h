// Starting the built program as a process, the way the host starts it.
#pragma once

#include <string>

namespace j6::test {

struct ChildResult {
  int exitCode = -1;
  /// The boxes the program showed, each as "caption: text" and a line feed:
  /// off Windows its standard error, on Windows read from the boxes.
  std::string boxes;
};

/// Runs `program` with `remainder` as the whole rest of its command line, in
/// the folder `workingDir`, and waits for it, answering every box with OK. On
/// Windows the command line is passed verbatim; off Windows the remainder is
/// the one argument (none when it is empty). False when the program could not
/// be started.
bool RunProgram(const std::string& program, const std::string& remainder,
                const std::string& workingDir, ChildResult* result);

/// The folder holding the running test program (and the program under test).
std::string OwnDirectory();

}  // namespace j6::test
