// Windows half of platform/files.h: the C runtime and the file API, on paths
// made absolute against the folder the program started in.
#include <windows.h>

#include <cctype>
#include <vector>

#include "platform/files.h"
#include "platform/native.h"

namespace j6::platform {

namespace {

// The byte locked while a line is appended: far beyond any data, so that a
// reader is never kept from the log.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFFE;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool HasDrive(const std::string& path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 &&
         path[1] == ':';
}

const std::string& StartFolder() {
  static const std::string folder = [] {
    std::vector<char> buffer(MAX_PATH + 1);
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
      buffer.resize(length + 1);
      length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    return length > 0 && length < buffer.size() ? std::string(buffer.data(), length)
                                                : std::string();
  }();
  return folder;
}

/// The drive ("C:") or share ("\\server\share") the folder lies on.
std::string RootOf(const std::string& folder) {
  if (HasDrive(folder)) return folder.substr(0, 2);
  std::size_t end = 2;
  for (int part = 0; part < 2 && end < folder.size(); ++part) {
    while (end < folder.size() && !IsSeparator(folder[end])) ++end;
    if (part == 0 && end < folder.size()) ++end;
  }
  return folder.substr(0, end);
}

}  // namespace

void RememberStartFolder() { StartFolder(); }

std::string AbsolutePath(const std::string& path) {
  const std::string& start = StartFolder();
  if (path.empty() || start.empty()) return path;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return path;
  const bool drive = HasDrive(path);
  if (drive && path.size() >= 3 && IsSeparator(path[2])) return path;
  if (IsSeparator(path[0])) return RootOf(start) + path;
  std::string rest = path;
  if (drive) {
    // "X:name" is relative to drive X's own current folder: only the start
    // drive's is known.
    if (!HasDrive(start) || (path[0] | 0x20) != (start[0] | 0x20)) return path;
    rest = path.substr(2);
  }
  return IsSeparator(start.back()) ? start + rest : start + "\\" + rest;
}

std::string FileSystemPath(const std::string& path) { return AbsolutePath(path); }

std::FILE* native::OpenFile(const std::string& path, const char* mode) {
  return std::fopen(AbsolutePath(path).c_str(), mode);
}

bool native::AppendToFile(const std::string& path, std::string_view bytes) {
  // Append mode alone seeks to the end and then writes: two runs can write at
  // the same end and one line overwrites the other. The lock makes the seek
  // and the write one step, also between desktops on a shared drive.
  const HANDLE file =
      CreateFileA(AbsolutePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  OVERLAPPED region{};
  region.Offset = kLockOffsetLow;
  region.OffsetHigh = kLockOffsetHigh;
  bool written = false;
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &region) != 0) {
    const auto size = static_cast<DWORD>(bytes.size());
    DWORD count = 0;
    LARGE_INTEGER end{};
    written = SetFilePointerEx(file, LARGE_INTEGER{}, &end, FILE_END) != 0 &&
              WriteFile(file, bytes.data(), size, &count, nullptr) != 0 && count == size;
    UnlockFileEx(file, 0, 1, 0, &region);
  }
  CloseHandle(file);
  return written;
}

bool native::DeleteFileAt(const std::string& path) {
  return DeleteFileA(AbsolutePath(path).c_str()) != 0;
}

bool native::RemoveFileIfPresent(const std::string& path) {
  if (DeleteFileA(AbsolutePath(path).c_str()) != 0) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool native::FileHasData(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExA(AbsolutePath(path).c_str(), GetFileExInfoStandard, &data) == 0) {
    return false;
  }
  // A device (a name such as COM1) reports neither size nor a folder.
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (data.nFileSizeHigh != 0 || data.nFileSizeLow != 0);
}

}  // namespace j6::platform
