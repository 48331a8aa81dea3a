// The built program installed in a scratch folder of its own, as a user would
// install it: the executable with its configuration file beside it.
#pragma once

#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace j6::test {

class InstalledProgram {
 public:
  /// Off Windows the program also gets a registry, drives and a netrc file of
  /// its own (empty until written), so the user's own never reach a test,
  /// and a folder for its locks, so that tests side by side never share one.
  InstalledProgram();

  /// The folder the program lies in.
  const TempDir& folder() const { return folder_; }
  /// A folder of its own to start the program in, away from the executable.
  const TempDir& elsewhere() const { return elsewhere_; }

  /// Writes J6MailerCfg.ini beside the executable.
  void Configure(const std::string& iniText) const;

  /// Puts the test library built as `builtPath` (relative to the test
  /// programs' folder) beside the executable.
  void AddLibrary(const std::string& builtPath) const;

  /// Runs the program with `remainder` as the rest of its command line, from
  /// elsewhere(); fails the test when it cannot be started. A question box
  /// gets `answer`.
  ChildResult Run(const std::string& remainder, Answer answer = Answer::kNone) const;

  /// Puts the check program beside the program, as the package has it.
  void AddCheckProgram() const;

  /// Runs the check program as Run runs the program.
  ChildResult Check(const std::string& remainder) const;

 private:
  TempDir folder_;
  TempDir elsewhere_;
  TempDir runtime_;
  std::string program_;
};

/// The usage box, as RunProgram reports a box.
std::string UsageBox();
/// The box of a request that could not be acquired.
std::string TransferErrorBox();

}  // namespace j6::test
