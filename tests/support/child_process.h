// Starting the built program as a process, the way the host starts it.
#pragma once

#include <memory>
#include <string>

namespace j6::test {

struct ChildResult {
  int exitCode = -1;
  /// The boxes the program showed, each as "caption: text" and a line feed:
  /// off Windows its standard error, on Windows read from the boxes.
  std::string boxes;
  /// What it wrote to its standard output, kept in a file of the system's
  /// temporary folder, outside every folder of the test.
  std::string output;
  /// Off Windows the most memory the program held at once (its peak
  /// resident set), in kilobytes; 0 where it is not measured.
  long peakKilobytes = 0;
};

/// How the user answers a question box (Yes and No) of the program. Off
/// Windows: a line typed at the terminal that is its standard input; with
/// kNone its standard input is no terminal. On Windows: a click on the
/// button; kNone closes the box with No.
enum class Answer { kNone, kYes, kNo };

/// A program started by a test, for tests that run several at once. A
/// program still running when this is destroyed is killed.
class RunningProgram {
 public:
  RunningProgram();
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  /// Starts `program` with `remainder` as the whole rest of its command line,
  /// in the folder `workingDir`. On Windows the command line is passed
  /// verbatim; off Windows the remainder is the one argument (none when it is
  /// empty). False when the program could not be started.
  bool Start(const std::string& program, const std::string& remainder,
             const std::string& workingDir, Answer answer = Answer::kNone);
  /// Waits for the program to end, answering every box with OK and every
  /// question as Start was told; false when its end could not be learnt.
  bool Wait(ChildResult* result);
  /// Whether it has not ended yet.
  bool Running();
  /// Ends it at once, as a crash would.
  void Kill();

 private:
  struct Process;
  std::unique_ptr<Process> process_;
};

/// Starts the program as RunningProgram::Start does and waits for it.
bool RunProgram(const std::string& program, const std::string& remainder,
                const std::string& workingDir, ChildResult* result, Answer answer = Answer::kNone);

/// The folder holding the running test program (and the program under test).
std::string OwnDirectory();

}  // namespace j6::test
