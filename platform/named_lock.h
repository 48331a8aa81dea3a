// An exclusive lock shared by the runs of the program of one user: two runs
// that lock the same name never hold it at the same time.
#pragma once

#include <cstdint>
#include <string>

namespace j6::platform {

/// On Windows a named mutex in the session's namespace; off Windows an flock
/// on a file in a folder of the user's own: $XDG_RUNTIME_DIR/j6mailer/, else
/// one in the temporary folder, else one in the user's cache folder. Whatever way a process ends,
/// its locks are free again (an abandoned mutex, a closed file), so a crashed run never blocks the
/// next one. Released when destroyed.
class NamedLock {
 public:
  enum Outcome { kTaken, kBusy, kFailed };

  NamedLock() = default;
  ~NamedLock();
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  /// Makes the lock called `name` (letters, digits, "-", "_", "." and "%")
  /// ready to be taken; false, with error() set, when the system cannot.
  bool Open(const std::string& name);
  /// Waits up to `milliseconds` for the lock: kTaken once this object holds
  /// it, kBusy when another holder kept it that long, kFailed (error() set)
  /// when waiting itself failed.
  Outcome Take(std::uint32_t milliseconds);

  const std::string& error() const { return error_; }

 private:
  void Close();

  // Each platform's half uses its own.
  [[maybe_unused]] void* mutex_ = nullptr;  // Windows
  [[maybe_unused]] int fd_ = -1;            // elsewhere: the lock file
  bool held_ = false;
  std::string error_;
};

}  // namespace j6::platform
