// POSIX half of platform/secret_file.h: a file of mode 0600 in a folder of
// the user's own (mode 0700), which only the user and root can read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "emulation/posix_file.h"
#include "emulation/posix_path.h"
#include "platform/secret_file.h"

namespace j6::platform::secret {

namespace {

/// Makes each missing folder above the path, of mode 0700.
bool MakeFolders(const std::string& path, std::string* error) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = SystemError("cannot make", folder);
      return false;
    }
  }
  return true;
}

}  // namespace

bool Folder(std::string* folder, std::string* error) {
  const std::string path = SecretsFolder();
  // A relative folder would be another one for each current folder.
  if (path.empty() || path[0] != '/') {
    *error = "no folder for secrets (no home folder)";
    return false;
  }
  // Another user who may write in it could put a secret of their own there.
  if (!MakeFolders(path, error) || !MakeOwnFolder(path, error)) return false;
  *folder = path + "/";
  return true;
}

bool MakeTemporary(const std::string& file, std::string* temporary, std::string* error) {
  const std::size_t slash = file.rfind('/');
  *temporary = file.substr(0, slash + 1) + ".tmp-" + file.substr(slash + 1) + "-XXXXXX";
  const int fd = mkstemp(temporary->data());
  if (fd < 0) {
    *error = std::strerror(errno);
    temporary->clear();
    return false;
  }
  if (fchmod(fd, 0600) != 0) {
    *error = std::strerror(errno);
    close(fd);
    unlink(temporary->c_str());
    temporary->clear();
    return false;
  }
  close(fd);
  return true;
}

bool Replace(const std::string& temporary, const std::string& file, const std::string& /*name*/,
             std::string_view secret, std::string* error) {
  const int fd = open(temporary.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
  bool ok = fd >= 0 && WriteAll(fd, secret) && fsync(fd) == 0;
  if (!ok) *error = SystemError("cannot write", temporary);
  if (fd >= 0 && close(fd) != 0 && ok) {
    *error = SystemError("cannot write", temporary);
    ok = false;
  }
  if (ok && rename(temporary.c_str(), file.c_str()) != 0) {
    *error = SystemError("cannot rename the new secret to", file);
    ok = false;
  }
  if (!ok) {
    unlink(temporary.c_str());
    return false;
  }
  // The new name lasts once the folder is on disk: a refresh token replaced
  // by a rotated one must not come back after a crash.
  const std::string folder = file.substr(0, file.rfind('/') + 1);
  const int directory = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    fsync(directory);
    close(directory);
  }
  return true;
}

Lookup Read(const std::string& file, const std::string& /*name*/, std::string* secret,
            std::string* error) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0 && errno == ENOENT) return Lookup::kNone;
  if (fd < 0) {
    *error = SystemError("cannot open", file);
    return Lookup::kFailed;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = file + " is not a file";
    close(fd);
    return Lookup::kFailed;
  }
  bool read = true;
  secret->clear();
  char chunk[4096];
  for (ssize_t count = 1; read && count > 0;) {
    count = ReadSome(fd, chunk, sizeof chunk);
    if (count > 0) secret->append(chunk, static_cast<std::size_t>(count));
    read = count >= 0;
  }
  if (!read) *error = SystemError("cannot read", file);
  close(fd);
  return read ? Lookup::kFound : Lookup::kFailed;
}

bool Remove(const std::string& file, std::string* error) {
  if (unlink(file.c_str()) == 0 || errno == ENOENT) return true;
  *error = SystemError("cannot remove", file);
  return false;
}

}  // namespace j6::platform::secret
