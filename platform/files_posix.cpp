// POSIX half of platform/files.h: the same calls on the mapped path.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "emulation/posix_path.h"
#include "platform/files.h"
#include "platform/native.h"

namespace j6::platform {

void RememberStartFolder() {}

std::string AbsolutePath(const std::string& path) { return path; }

std::string FileSystemPath(const std::string& path) { return PosixPath(path); }

std::string TemporaryFolder() {
  std::string folder = EnvironmentText("TMPDIR");
  if (folder.empty()) folder = "/tmp";
  return folder.back() == '/' ? folder : folder + '/';
}

std::FILE* native::OpenFile(const std::string& path, const char* mode) {
  return std::fopen(PosixPath(path).c_str(), mode);
}

bool native::AppendToFile(const std::string& path, std::string_view bytes) {
  // O_APPEND moves to the end and writes in one step: one write is one whole
  // line, whoever else appends. O_NONBLOCK: no run waits on its log, so a
  // FIFO without a reader (or one that stopped reading) loses the line
  // instead of holding the run for good; a regular file ignores the flag.
  const int fd =
      open(PosixPath(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return false;
  ssize_t written;
  do {
    written = write(fd, bytes.data(), bytes.size());
  } while (written < 0 && errno == EINTR);
  const bool whole = written == static_cast<ssize_t>(bytes.size());
  return close(fd) == 0 && whole;
}

bool native::DeleteFileAt(const std::string& path) { return unlink(PosixPath(path).c_str()) == 0; }

bool native::RemoveFileIfPresent(const std::string& path) {
  const std::string mapped = PosixPath(path);
  if (unlink(mapped.c_str()) == 0) return true;
  // ENOTDIR: a part of the path is a file, so nothing can lie at it.
  return errno == ENOENT || errno == ENOTDIR;
}

bool native::FileHasData(const std::string& path) {
  struct stat info {};
  return stat(PosixPath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

}  // namespace j6::platform
