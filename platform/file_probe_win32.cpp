// Windows half of platform/file_probe.h: the wide calls, on UTF-8 paths.
#include <windows.h>

#include "platform/absolute_path_win32.h"
#include "platform/file_probe.h"
#include "platform/files.h"
#include "platform/system_message_win32.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

std::string HostPathOf(const std::string& windowsPath) {
  return Utf8FromWide(WideFrom(AbsolutePath(windowsPath), CP_ACP));
}

std::string HostPathOfProfilePath(const std::string& profilePath) {
  return Utf8FromWide(AbsoluteWidePath(WideFromUtf8(profilePath)));
}

PathKind KindOfPath(const std::string& hostPath, std::uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(WideFromUtf8(hostPath).c_str(), GetFileExInfoStandard, &data) == 0) {
    return PathKind::kNothing;
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::kFolder;
  if (size != nullptr) *size = std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
  return PathKind::kFile;
}

bool ReadFilePart(const std::string& hostPath, std::uint64_t offset, std::size_t count,
                  std::string* bytes) {
  const HANDLE file = CreateFileW(WideFromUtf8(hostPath).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER start{};
  start.QuadPart = static_cast<LONGLONG>(offset);
  if (offset > 0 && SetFilePointerEx(file, start, nullptr, FILE_BEGIN) == 0) {
    CloseHandle(file);
    return false;
  }
  bytes->assign(count, '\0');
  std::size_t done = 0;
  DWORD read = 0;
  bool ok = true;
  while (done < count &&
         (ok = ReadFile(file, bytes->data() + done, static_cast<DWORD>(count - done), &read,
                        nullptr) != 0) &&
         read > 0) {
    done += read;
  }
  CloseHandle(file);
  bytes->resize(done);
  return ok;
}

bool FreeSpaceOf(const std::string& hostFolder, std::uint64_t* bytes) {
  // The folder must end in a separator for a share's root to be taken.
  std::wstring folder = WideFromUtf8(hostFolder);
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  ULARGE_INTEGER available{};
  if (GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr) == 0) return false;
  *bytes = available.QuadPart;
  return true;
}

bool CanCreateFileIn(const std::string& hostFolder, std::string* error) {
  const bool separated =
      !hostFolder.empty() && (hostFolder.back() == '\\' || hostFolder.back() == '/');
  const std::string stem = hostFolder + (separated ? "" : "\\") + "~j6check-" +
                           std::to_string(GetCurrentProcessId()) + "-";
  for (int attempt = 0;; ++attempt) {
    // Removed by the system when closed, also should the check be ended
    // before it closes it.
    const std::string name = stem + std::to_string(attempt) + ".tmp";
    const HANDLE file = CreateFileW(
        WideFromUtf8(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return true;
    }
    const DWORD code = GetLastError();
    if ((code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) || attempt == 99) {
      *error = SystemMessage(code);
      return false;
    }
  }
}

bool CanAppendTo(const std::string& hostPath, std::string* error) {
  // As the run log opens it, without creating it.
  const HANDLE file =
      CreateFileW(WideFromUtf8(hostPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = SystemMessage(GetLastError());
    return false;
  }
  CloseHandle(file);
  return true;
}

}  // namespace j6::platform
