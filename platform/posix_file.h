// Off Windows, reading and writing files by descriptor, for the stand-in
// libraries and the registry reader: what they read must be a regular file,
// and opening it must never wait.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
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

}  // namespace j6::platform
