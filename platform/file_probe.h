// Looking at files and folders without changing them, for the check program.
// Paths here are host paths, in the form ModuleFileName and FindLibrary give
// them (on Windows UTF-8); HostPathOf turns a path in Windows form, as the
// settings and the configuration give it, into one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace j6::platform {

enum class PathKind { kNothing, kFile, kFolder };

/// The path in Windows form (ANSI text) as a host path: on Windows made
/// absolute against the start folder, as every path a run uses; off Windows
/// mapped onto the file system, as the file functions map it.
std::string HostPathOf(const std::string& windowsPath);

/// As HostPathOf, for a path held as ReadProfilePath gives a path setting (on
/// Windows UTF-8): the file AppendToFile writes for it.
std::string HostPathOfProfilePath(const std::string& profilePath);

/// What lies at the path; `*size`, when asked for, is a file's size in
/// bytes. A path that cannot be reached (a share that does not answer, a
/// folder without the right to look in it) has nothing.
PathKind KindOfPath(const std::string& hostPath, std::uint64_t* size = nullptr);

/// Up to `count` bytes of the file from byte `offset` on, never waiting on a
/// pipe; false when it cannot be opened or read.
bool ReadFilePart(const std::string& hostPath, std::uint64_t offset, std::size_t count,
                  std::string* bytes);

/// Up to `count` bytes from the start of the file, as ReadFilePart.
inline bool ReadFileStart(const std::string& hostPath, std::size_t count, std::string* bytes) {
  return ReadFilePart(hostPath, 0, count, bytes);
}

/// The bytes the current user may still write on the disk of the folder,
/// into `*bytes`; false when the folder cannot be asked.
bool FreeSpaceOf(const std::string& hostFolder, std::uint64_t* bytes);

/// Whether a new file can be made in the folder: one is made under a
/// temporary name of the check's own and removed at once, nothing else is
/// touched. False, with the system's reason in `*error`, when it cannot.
bool CanCreateFileIn(const std::string& hostFolder, std::string* error);

/// Whether the file can be opened for writing at its end, as a log line is
/// appended; it is opened and closed, never written. False, with the
/// system's reason in `*error`, when it cannot.
bool CanAppendTo(const std::string& hostPath, std::string* error);

}  // namespace j6::platform
