// The few file operations the program needs, on paths in Windows form.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace j6::platform {

/// std::fopen of a path in Windows form; off Windows the path is mapped first.
std::FILE* OpenFile(const std::string& path, const char* mode);

/// Opens the file for appending (creating it when missing), writes `bytes`
/// exactly as given and closes it. False when the file cannot be opened or
/// written.
bool AppendToFile(const std::string& path, std::string_view bytes);

/// Reads the whole file into `bytes`; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* bytes);

/// Deletes the file; false when it could not be deleted.
bool DeleteFileAt(const std::string& path);

/// Removes the file at the path, if there is one. True when nothing is there
/// afterwards; false when something stays (a folder, a file that cannot be
/// deleted).
bool RemoveFileIfPresent(const std::string& path);

/// Whether a file (not a folder) of at least one byte is at the path.
bool FileHasData(const std::string& path);

}  // namespace j6::platform
