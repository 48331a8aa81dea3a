// Off Windows, reading and writing files by descriptor, for the stand-in
// libraries and the registry reader: what they read must be a regular file,
// and opening it must never wait. And the folders of the user's own that
// the lock files and the secrets are kept in.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace j6::platform {

/// Opens the file at a host path for reading, without waiting, so that a pipe
/// of that name cannot hang the caller. The descriptor, with the file's
/// status in `info`; -1 when the path names no readable regular file.
int OpenRegularFile(const std::string& posixPath, struct stat* info);

/// read(), resumed when a signal interrupts it.
ssize_t ReadSome(int fd, char* buffer, std::size_t size);

/// Writes all of `bytes`; false when any write fails.
bool WriteAll(int fd, std::string_view bytes);

/// "<what> <path>: <the reason errno gives>".
std::string SystemError(const char* what, const std::string& path);

/// Makes the folder (mode 0700) when it is missing; true when it is then a
/// folder of this user's own that nobody else may write to: one another
/// user made first could hold, swap or read what is put in it. `*why` says
/// what is wrong.
bool MakeOwnFolder(const std::string& folder, std::string* why);

/// What a file held when it was last read, and whether it still holds it.
/// The stand-ins are asked for one setting at a time, a dozen times a run;
/// an unchanged file is known by one stat instead of being read again.
class FileSnapshot {
 public:
  enum class Change {
    kNone,        // what the file held when last read still stands
    kNew,         // the file was read: `*bytes` holds it
    kUnreadable,  // no readable regular file (and nothing is remembered)
  };

  /// Brings the snapshot up to date with the file at the host path.
  Change Refresh(const std::string& posixPath, std::string* bytes);

 private:
  struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    explicit Stamp(const struct stat& info);
    bool operator==(const Stamp& other) const;
  };

  std::string path_;
  std::optional<Stamp> stamp_;
  // The bytes, kept only while the file may change with its stamp unchanged:
  // then the file is read again and compared.
  std::optional<std::string> recentBytes_;
};

}  // namespace j6::platform
