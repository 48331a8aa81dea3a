// POSIX half of platform/file_probe.h: stat, and open with O_EXCL or
// O_APPEND, on host paths.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "emulation/posix_file.h"
#include "emulation/posix_path.h"
#include "platform/file_probe.h"

namespace j6::platform {

std::string HostPathOf(const std::string& windowsPath) { return PosixPath(windowsPath); }

std::string HostPathOfProfilePath(const std::string& profilePath) { return PosixPath(profilePath); }

PathKind KindOfPath(const std::string& hostPath, std::uint64_t* size) {
  struct stat info {};
  if (stat(hostPath.c_str(), &info) != 0) return PathKind::kNothing;
  if (S_ISDIR(info.st_mode)) return PathKind::kFolder;
  if (size != nullptr) *size = static_cast<std::uint64_t>(info.st_size);
  return PathKind::kFile;
}

bool ReadFilePart(const std::string& hostPath, std::uint64_t offset, std::size_t count,
                  std::string* bytes) {
  struct stat info {};
  const int fd = OpenRegularFile(hostPath, &info);
  if (fd < 0) return false;
  if (offset > 0 && lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
    close(fd);
    return false;
  }
  bytes->assign(count, '\0');
  std::size_t done = 0;
  ssize_t read = 0;
  while (done < count && (read = ReadSome(fd, bytes->data() + done, count - done)) > 0) {
    done += static_cast<std::size_t>(read);
  }
  close(fd);
  bytes->resize(done);
  return read >= 0;
}

bool FreeSpaceOf(const std::string& hostFolder, std::uint64_t* bytes) {
  struct statvfs disk {};
  if (statvfs(hostFolder.c_str(), &disk) != 0) return false;
  *bytes = std::uint64_t{disk.f_bavail} * disk.f_frsize;
  return true;
}

bool CanCreateFileIn(const std::string& hostFolder, std::string* error) {
  const std::string stem = hostFolder +
                           (!hostFolder.empty() && hostFolder.back() == '/' ? "" : "/") +
                           ".j6check-" + std::to_string(getpid()) + "-";
  for (int attempt = 0;; ++attempt) {
    const std::string name = stem + std::to_string(attempt) + ".tmp";
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      unlink(name.c_str());
      close(fd);
      return true;
    }
    if (errno != EEXIST || attempt == 99) {
      *error = std::strerror(errno);
      return false;
    }
  }
}

bool CanAppendTo(const std::string& hostPath, std::string* error) {
  const int fd = open(hostPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *error = std::strerror(errno);
    return false;
  }
  close(fd);
  return true;
}

}  // namespace j6::platform
