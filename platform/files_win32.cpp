// Windows half of platform/files.h: the C runtime and the file API, on paths
// made absolute against the folder the program started in.
#include <windows.h>

#include <vector>

#include "platform/absolute_path_win32.h"
#include "platform/files.h"
#include "platform/native.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

namespace {

// The byte locked while a line is appended: far beyond any data, so that a
// reader is never kept from the log.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFFE;

template <typename Char>
bool IsSeparator(Char c) {
  return c == '\\' || c == '/';
}
template <typename Char>
bool HasDrive(const std::basic_string<Char>& path) {
  return path.size() >= 2 && (path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z' && path[1] == ':';
}

template <typename Char>
std::basic_string<Char> CurrentFolder(DWORD(WINAPI* get)(DWORD, Char*)) {
  std::vector<Char> buffer(MAX_PATH + 1);
  DWORD length = get(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = get(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  return length > 0 && length < buffer.size() ? std::basic_string<Char>(buffer.data(), length)
                                              : std::basic_string<Char>();
}

const std::string& StartFolder() {
  static const std::string folder = CurrentFolder(GetCurrentDirectoryA);
  return folder;
}

/// The start folder as the wide call gives it: the ANSI one has question
/// marks for letters the code page lacks.
const std::wstring& WideStartFolder() {
  static const std::wstring folder = CurrentFolder(GetCurrentDirectoryW);
  return folder;
}

/// The drive ("C:") or share ("\\server\share") the folder lies on.
template <typename Char>
std::basic_string<Char> RootOf(const std::basic_string<Char>& folder) {
  if (HasDrive(folder)) return folder.substr(0, 2);
  std::size_t end = 2;
  for (int part = 0; part < 2 && end < folder.size(); ++part) {
    while (end < folder.size() && !IsSeparator(folder[end])) ++end;
    if (part == 0 && end < folder.size()) ++end;
  }
  return folder.substr(0, end);
}

template <typename Char>
std::basic_string<Char> Absolute(const std::basic_string<Char>& path,
                                 const std::basic_string<Char>& start) {
  if (path.empty() || start.empty()) return path;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return path;
  const bool drive = HasDrive(path);
  if (drive && path.size() >= 3 && IsSeparator(path[2])) return path;
  if (IsSeparator(path[0])) return RootOf(start) + path;
  std::basic_string<Char> rest = path;
  if (drive) {
    // "X:name" is relative to drive X's own current folder: only the start
    // drive's is known.
    if (!HasDrive(start) || (path[0] | 0x20) != (start[0] | 0x20)) return path;
    rest = path.substr(2);
  }
  return IsSeparator(start.back()) ? start + rest : start + Char('\\') + rest;
}

}  // namespace

void RememberStartFolder() {
  StartFolder();
  WideStartFolder();
}

std::string AbsolutePath(const std::string& path) { return Absolute(path, StartFolder()); }

std::wstring AbsoluteWidePath(const std::wstring& path) {
  return Absolute(path, WideStartFolder());
}

std::string FileSystemPath(const std::string& path) { return AbsolutePath(path); }

std::string TemporaryFolder() {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  // Never empty: a file named without a folder would land wherever the
  // program was started.
  return length > 0 && length < sizeof folder ? std::string(folder, length)
                                              : AbsolutePath(".") + "\\";
}

std::FILE* native::OpenFile(const std::string& path, const char* mode) {
  return std::fopen(AbsolutePath(path).c_str(), mode);
}

namespace {

/// The lock of the log's appending, tried for about a second: a run never
/// waits on its log, which a backup or a viewer may hold locked whole. Where
/// the lock is not had (held that long, or a file system that takes no
/// byte-range locks, whatever error it gives) the line goes without it, or
/// is lost where the holder keeps out writes too.
bool LockForAppending(HANDLE file, OVERLAPPED* region) {
  constexpr int kTries = 20;
  constexpr DWORD kPauseMilliseconds = 50;
  for (int tried = 1;; ++tried) {
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, region)) {
      return true;
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION || tried == kTries) return false;
    Sleep(kPauseMilliseconds);
  }
}

}  // namespace

bool native::AppendToFile(const std::string& path, std::string_view bytes) {
  // Append mode alone seeks to the end and then writes: two runs can write at
  // the same end and one line overwrites the other. The lock makes the seek
  // and the write one step, also between desktops on a shared drive.
  const HANDLE file = CreateFileW(AbsoluteWidePath(WideFromUtf8(path)).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  OVERLAPPED region{};
  region.Offset = kLockOffsetLow;
  region.OffsetHigh = kLockOffsetHigh;
  const bool locked = LockForAppending(file, &region);
  const auto size = static_cast<DWORD>(bytes.size());
  DWORD count = 0;
  LARGE_INTEGER end{};
  const bool written = SetFilePointerEx(file, LARGE_INTEGER{}, &end, FILE_END) != 0 &&
                       WriteFile(file, bytes.data(), size, &count, nullptr) != 0 && count == size;
  if (locked) UnlockFileEx(file, 0, 1, 0, &region);
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
