// The few file operations the program needs, on paths in Windows form.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace j6::platform {

/// Notes the current folder as it is when the program starts. A mail client
/// may change the process's current folder while it works; every relative
/// path keeps naming what it named at the start.
void RememberStartFolder();

/// On Windows the path made absolute against the current folder as it was at
/// the start (a path with a drive of its own, or a share, stays as it is);
/// what a library is handed goes through here. Off Windows the path as it
/// is: nothing there changes the current folder behind the program's back.
std::string AbsolutePath(const std::string& path);

/// The path as the file system names it, for a library that opens the file
/// itself: on Windows AbsolutePath(path); off Windows mapped as OpenFile
/// maps it.
std::string FileSystemPath(const std::string& path);

/// The user's folder for temporary files, ending in a separator: on Windows
/// the system's (ANSI text, as the document paths); off Windows $TMPDIR,
/// else /tmp/.
std::string TemporaryFolder();

/// std::fopen of a path in Windows form; off Windows the path is mapped first.
std::FILE* OpenFile(const std::string& path, const char* mode);

/// Opens the file for appending (creating it when missing), writes `bytes`
/// as one whole at its end and closes it. Runs appending to one file at the
/// same time, also from other desktops on a shared drive, never overwrite
/// or tear each other's lines: off Windows the system appends each write
/// whole; on Windows the write is made under an exclusive lock of a byte
/// range that no data reaches, or without it where the file system takes
/// none. `path` is held as ReadProfilePath gives a path setting (on Windows
/// UTF-8), as the log's path is. False when the file cannot be opened or
/// written.
bool AppendToFile(const std::string& path, std::string_view bytes);

/// Deletes the file; false when it could not be deleted.
bool DeleteFileAt(const std::string& path);

/// Removes the file at the path, if there is one. True when nothing is there
/// afterwards; false when something stays (a folder, a file that cannot be
/// deleted).
bool RemoveFileIfPresent(const std::string& path);

/// Whether a file (not a folder) of at least one byte is at the path.
bool FileHasData(const std::string& path);

}  // namespace j6::platform
