#include "platform/posix_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace j6::platform {

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

}  // namespace j6::platform
