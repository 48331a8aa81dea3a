// What every harness needs: a way to stop on a broken invariant, a scratch
// folder of its own and a few file helpers.
#pragma once

#include <string>
#include <string_view>

namespace j6::fuzz {

/// Stops the run with `what` on standard error when `condition` is false.
/// libFuzzer takes the abort as a finding and keeps the input.
void Require(bool condition, const char* what);

/// A scratch folder made once per process (under $TMPDIR, else /tmp) and
/// removed, with all it holds, when the process ends normally.
const std::string& ScratchFolder();

/// The folder of the running executable, ending in a slash: where the doubles
/// lie, and where the program looks for its libraries first.
std::string ExecutableFolder();

/// Replaces the file's content with `bytes`; stops the run when it cannot.
void WriteFile(const std::string& path, std::string_view bytes);

/// The file's whole content; empty when it cannot be read.
std::string ReadFile(const std::string& path);

/// Sets an environment variable for the rest of the process.
void SetEnvironment(const char* name, const std::string& value);

}  // namespace j6::fuzz
