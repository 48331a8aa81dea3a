#include "emulation/posix_file.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace j6::platform {

std::string SystemError(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

bool MakeOwnFolder(const std::string& folder, std::string* why) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    *why = SystemError("cannot make", folder);
    return false;
  }
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) {
    *why = SystemError("cannot look at", folder);
    return false;
  }
  if (!S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 022) != 0) {
    *why = folder + " is not a folder of this user's own";
    return false;
  }
  return true;
}

int OpenRegularFile(const std::string& posixPath, struct stat* info) {
  const int fd = open(posixPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  if (fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

ssize_t ReadSome(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t count = read(fd, buffer, size);
    if (count >= 0 || errno != EINTR) return count;
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = write(fd, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

namespace {

constexpr long long kNanosecondsPerSecond = 1000000000;
constexpr long kMillisecond = 1000000;

/// The clock a file system stamps a change with: its last tick, a few
/// milliseconds ago.
timespec TickNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  return now;
}

/// Whether a file changed at `changed` may change again without its stamp
/// changing, for a reader that began at `began` (TickNow). A change takes
/// the clock's last tick, cut to the file system's granularity, so one in
/// the tick of the stamp may keep it. A stamp finer than a millisecond is a
/// fine-grained file system's, whose next tick, at least a millisecond on,
/// gives a new stamp; others keep theirs for up to two seconds (FAT).
bool MayChangeUnseen(const timespec& changed, const timespec& began) {
  if (changed.tv_nsec % kMillisecond == 0) return changed.tv_sec + 2 >= began.tv_sec;
  if (began.tv_sec - changed.tv_sec > 1) return false;
  if (changed.tv_sec - began.tv_sec > 1) return true;
  const long long since =
      (static_cast<long long>(began.tv_sec) - changed.tv_sec) * kNanosecondsPerSecond +
      (began.tv_nsec - changed.tv_nsec);
  return since < kMillisecond;
}

/// The whole file, of `size` bytes when nothing changes it meanwhile; false
/// when it cannot be read.
bool ReadAll(int fd, std::size_t size, std::string* bytes) {
  bytes->resize(size + 1);  // one more, to see the end of a file that grew
  std::size_t done = 0;
  for (;;) {
    if (done == bytes->size()) bytes->resize(bytes->size() * 2);
    const ssize_t count = ReadSome(fd, bytes->data() + done, bytes->size() - done);
    if (count < 0) return false;
    if (count == 0) break;
    done += static_cast<std::size_t>(count);
  }
  bytes->resize(done);
  return true;
}

}  // namespace

FileSnapshot::Stamp::Stamp(const struct stat& info)
    : device(info.st_dev),
      inode(info.st_ino),
      size(info.st_size),
      modified(info.st_mtim),
      changed(info.st_ctim) {}

bool FileSnapshot::Stamp::operator==(const Stamp& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
         changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

FileSnapshot::Change FileSnapshot::Refresh(const std::string& posixPath, std::string* bytes) {
  struct stat info {};
  if (stamp_ && path_ == posixPath && !recentBytes_ && stat(posixPath.c_str(), &info) == 0 &&
      *stamp_ == Stamp(info)) {
    return Change::kNone;
  }
  // Taken before the file is read: a change from now on takes a later stamp.
  const timespec began = TickNow();
  const int fd = OpenRegularFile(posixPath, &info);
  const bool read = fd >= 0 && ReadAll(fd, static_cast<std::size_t>(info.st_size), bytes);
  if (fd >= 0) close(fd);
  if (!read) {
    stamp_.reset();
    recentBytes_.reset();
    return Change::kUnreadable;
  }
  const Stamp stamp(info);
  const bool same =
      stamp_ && path_ == posixPath && *stamp_ == stamp && recentBytes_ && *recentBytes_ == *bytes;
  path_ = posixPath;
  stamp_ = stamp;
  if (MayChangeUnseen(stamp.changed, began)) {
    recentBytes_ = *bytes;
  } else {
    recentBytes_.reset();
  }
  return same ? Change::kNone : Change::kNew;
}

}  // namespace j6::platform
