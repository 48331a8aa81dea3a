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

#include "emulation/posix_file.h"
#include "emulation/posix_path.h"
#include "platform/named_lock.h"

namespace j6::platform {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

/// The user's cache folder, made when missing (mode 0700, as the XDG rules
/// ask); empty when there is no home to put it in.
std::string CacheFolder() {
  std::string cache = EnvironmentText("XDG_CACHE_HOME");
  if (!IsAbsolute(cache)) {
    const std::string home = HomeDirectory();
    if (!IsAbsolute(home)) return std::string();
    cache = home + "/.cache";
  }
  mkdir(cache.c_str(), 0700);
  mkdir((cache + "/j6mailer").c_str(), 0700);
  return cache + "/j6mailer";
}

/// The host's name: a home may be shared by several machines, whose runs
/// must not wait for each other.
std::string HostName() {
  char name[256] = "";
  gethostname(name, sizeof name - 1);
  return name;
}

/// The folder of the lock files: the first of the user's own that can be
/// had, of $XDG_RUNTIME_DIR/j6mailer, $TMPDIR/j6mailer-<uid> (/tmp when
/// unset) and $XDG_CACHE_HOME/j6mailer/locks-<host> (~/.cache). Each is
/// named by the user's environment alone, so every run of the user tries
/// the same ones in the same order and takes the same; a folder once made
/// stays the user's. A relative variable is ignored: it would name another
/// folder for each current folder.
bool LockFolder(std::string* folder, std::string* error) {
  error->clear();
  const auto take = [folder, error](const std::string& candidate) {
    std::string why;
    if (MakeOwnFolder(candidate, &why)) {
      *folder = candidate;
      error->clear();
      return true;
    }
    *error += (error->empty() ? "" : "; ") + why;
    return false;
  };
  const std::string runtime = EnvironmentText("XDG_RUNTIME_DIR");
  if (IsAbsolute(runtime) && take(runtime + "/j6mailer")) return true;
  const std::string temporary = EnvironmentText("TMPDIR");
  if (take((IsAbsolute(temporary) ? temporary : std::string("/tmp")) + "/j6mailer-" +
           std::to_string(getuid()))) {
    return true;
  }
  // Made only now: most users never need it.
  const std::string cache = CacheFolder();
  return !cache.empty() && take(cache + "/locks-" + HostName());
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
