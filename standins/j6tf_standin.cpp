// The J6 transfer library off Windows: "fetches" a document by copying the
// file its server path names to the local path. The server path is the
// server's, so it lies under the drives folder whatever it says; the local
// path is mapped as every Windows path is off Windows. The server name and
// the port mean nothing here.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

#include "emulation/posix_file.h"
#include "emulation/posix_path.h"

namespace {

namespace platform = j6::platform;

/// A new file under a hidden name in the folder of `target`, or -1. Created
/// as a plain create makes a file, so the umask decides its permissions
/// (mkstemp would make it readable by its owner only).
int CreateBeside(const std::string& target, std::string* temporary) {
  const std::size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".j6tf-%08x.tmp", random());
    *temporary = folder + name;
    const int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

/// Streams the rest of `in` into `out`.
bool Copy(int in, int out) {
  char chunk[65536];
  for (;;) {
    const ssize_t count = platform::ReadSome(in, chunk, sizeof chunk);
    if (count == 0) return true;
    if (count < 0 ||
        !platform::WriteAll(out, std::string_view(chunk, static_cast<std::size_t>(count)))) {
      return false;
    }
  }
}

/// The copy is written beside the local file and renamed over it only when
/// whole, so that the local file is never seen cut short: the program mails
/// whatever lies there.
int Transfer(const char* remote, const char* local) {
  if (remote == nullptr || local == nullptr) return 1;
  struct stat source {};
  const int in = platform::OpenRegularFile(platform::ForeignPosixPath(remote), &source);
  if (in < 0) return 1;
  const std::string target = platform::PosixPath(local);
  // The "copy" would be the server's own file, which the program deletes
  // once it has mailed the document.
  struct stat existing {};
  if (stat(target.c_str(), &existing) == 0 && existing.st_dev == source.st_dev &&
      existing.st_ino == source.st_ino) {
    close(in);
    return 1;
  }
  std::string temporary;
  const int out = CreateBeside(target, &temporary);
  // No fsync: the copy is for this run alone, which reads it through the same
  // cache, and a run after a crash clears whatever is left before fetching.
  bool copied = out >= 0 && Copy(in, out);
  if (out >= 0 && close(out) != 0) copied = false;
  close(in);
  if (copied && rename(temporary.c_str(), target.c_str()) == 0) return 0;
  if (out >= 0) unlink(temporary.c_str());
  return 1;
}

}  // namespace

extern "C" int j6tf(const char* /*server*/, const char* remote, const char* local,
                    std::int32_t /*port*/) {
  try {
    return Transfer(remote, local);
  } catch (...) {
    return 1;
  }
}
