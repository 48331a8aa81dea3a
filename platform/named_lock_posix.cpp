// POSIX half of platform/named_lock.h: flock on a file per name. The kernel
// drops an flock when the last descriptor of it closes, so a killed holder
// leaves it free.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/named_lock.h"
#include "platform/posix_path.h"

namespace j6::platform {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

std::string SystemError(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

/// The folder of the lock files. Under the temporary folder it is one of the
/// user's own, which nobody else may have made or may write to.
bool LockFolder(std::string* folder, std::string* error) {
  const std::string runtime = EnvironmentText("XDG_RUNTIME_DIR");
  if (!runtime.empty()) {
    *folder = runtime + "/j6mailer";
  } else {
    std::string temporary = EnvironmentText("TMPDIR");
    if (temporary.empty()) temporary = "/tmp";
    *folder = temporary + "/j6mailer-" + std::to_string(getuid());
  }
  if (mkdir(folder->c_str(), 0700) != 0 && errno != EEXIST) {
    *error = SystemError("cannot make", *folder);
    return false;
  }
  struct stat info {};
  if (lstat(folder->c_str(), &info) != 0) {
    *error = SystemError("cannot look at", *folder);
    return false;
  }
  if (!S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 022) != 0) {
    *error = *folder + " is not a folder of this user's own";
    return false;
  }
  return true;
}

}  // namespace

NamedLock::~NamedLock() { Close(); }

bool NamedLock::Open(const std::string& name) {
  Close();
  std::string folder;
  if (!LockFolder(&folder, &error_)) return false;
  const std::string path = folder + "/" + name + ".lock";
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) {
    error_ = SystemError("cannot open", path);
    return false;
  }
  return true;
}

NamedLock::Outcome NamedLock::Take(std::uint32_t milliseconds) {
  if (held_) return kTaken;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      held_ = true;
      return kTaken;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      error_ = std::string("flock: ") + std::strerror(errno);
      return kFailed;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return kBusy;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(kPollInterval, deadline - now));
  }
}

void NamedLock::Close() {
  // Closing the descriptor drops the flock with it.
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  held_ = false;
}

}  // namespace j6::platform
