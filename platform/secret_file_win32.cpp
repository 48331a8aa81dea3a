// Windows half of platform/secret_file.h: a file under %LOCALAPPDATA%,
// encrypted with DPAPI for the current user (CryptProtectData), so that
// neither another user nor another machine can read it. The secret's name is
// the encryption's extra entropy: a file copied to another name does not
// decrypt either.
#include <windows.h>
// <wincrypt.h> needs <windows.h> first.
#include <wincrypt.h>

#include "platform/secret_file.h"
#include "platform/system_message_win32.h"
#include "platform/wide_text_win32.h"

namespace j6::platform::secret {

namespace {

constexpr DWORD kNoPrompt = CRYPTPROTECT_UI_FORBIDDEN;

/// The bytes as DPAPI takes them; it only reads them.
DATA_BLOB Blob(std::string_view bytes) {
  return DATA_BLOB{static_cast<DWORD>(bytes.size()),
                   const_cast<BYTE*>(reinterpret_cast<const BYTE*>(bytes.data()))};
}

std::string Failure(const char* what, const std::string& path, DWORD code) {
  return std::string(what) + " " + path + ": " + SystemMessage(code);
}

bool MakeFolder(const std::wstring& folder, std::string* error) {
  if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
    return true;
  }
  *error = Failure("cannot make", Utf8FromWide(folder), GetLastError());
  return false;
}

/// Writes the bytes to a new file at `path`.
bool WriteNewFile(const std::wstring& path, const DATA_BLOB& bytes, DWORD* code) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *code = GetLastError();
    return false;
  }
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.pbData, bytes.cbData, &written, nullptr) &&
                  written == bytes.cbData && FlushFileBuffers(file);
  *code = GetLastError();
  CloseHandle(file);
  return ok;
}

/// The whole file; false, with the system's error in `*code`, when it cannot
/// be read.
bool ReadWholeFile(HANDLE file, std::string* bytes, DWORD* code) {
  char chunk[4096];
  DWORD count = 0;
  while (ReadFile(file, chunk, sizeof chunk, &count, nullptr)) {
    if (count == 0) return true;
    bytes->append(chunk, count);
  }
  *code = GetLastError();
  return false;
}

}  // namespace

bool Folder(std::string* folder, std::string* error) {
  const DWORD size = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
  std::wstring path(size, L'\0');
  if (size <= 1 || GetEnvironmentVariableW(L"LOCALAPPDATA", path.data(), size) != size - 1) {
    *error = "no folder for secrets (LOCALAPPDATA is not set)";
    return false;
  }
  path.resize(size - 1);
  path += L"\\J6Mailer";
  if (!MakeFolder(path, error)) return false;
  path += L"\\secrets";
  if (!MakeFolder(path, error)) return false;
  *folder = Utf8FromWide(path + L"\\");
  return true;
}

bool MakeTemporary(const std::string& file, std::string* temporary, std::string* error) {
  const std::wstring target = WideFromUtf8(file);
  const std::size_t slash = target.rfind(L'\\');
  const std::wstring path = target.substr(0, slash + 1) + L".tmp-" + target.substr(slash + 1) +
                            L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetCurrentThreadId());
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = SystemMessage(GetLastError());
    return false;
  }
  CloseHandle(handle);
  *temporary = Utf8FromWide(path);
  return true;
}

bool Replace(const std::string& temporary, const std::string& file, const std::string& name,
             std::string_view secret, std::string* error) {
  const std::wstring path = WideFromUtf8(temporary);
  DATA_BLOB plain = Blob(secret);
  DATA_BLOB entropy = Blob(name);
  DATA_BLOB sealed{};
  if (!CryptProtectData(&plain, L"J6Mailer", &entropy, nullptr, nullptr, kNoPrompt, &sealed)) {
    *error = "cannot encrypt the secret: " + SystemMessage(GetLastError());
    DeleteFileW(path.c_str());
    return false;
  }
  DWORD code = 0;
  bool ok = WriteNewFile(path, sealed, &code);
  LocalFree(sealed.pbData);
  if (!ok) *error = Failure("cannot write", temporary, code);
  if (ok && !MoveFileExW(path.c_str(), WideFromUtf8(file).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = Failure("cannot rename the new secret to", file, GetLastError());
    ok = false;
  }
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

Lookup Read(const std::string& file, const std::string& name, std::string* secret,
            std::string* error) {
  // Shared for deleting, so that a writer may replace it meanwhile.
  const HANDLE handle =
      CreateFileW(WideFromUtf8(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD code = GetLastError();
  if (handle == INVALID_HANDLE_VALUE) {
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return Lookup::kNone;
    *error = Failure("cannot open", file, code);
    return Lookup::kFailed;
  }
  std::string bytes;
  const bool read = ReadWholeFile(handle, &bytes, &code);
  CloseHandle(handle);
  if (!read) {
    *error = Failure("cannot read", file, code);
    return Lookup::kFailed;
  }
  DATA_BLOB sealed = Blob(bytes);
  DATA_BLOB entropy = Blob(name);
  DATA_BLOB plain{};
  if (!CryptUnprotectData(&sealed, nullptr, &entropy, nullptr, nullptr, kNoPrompt, &plain)) {
    *error = Failure("cannot decrypt", file, GetLastError());
    return Lookup::kFailed;
  }
  secret->assign(reinterpret_cast<const char*>(plain.pbData), plain.cbData);
  SecureZeroMemory(plain.pbData, plain.cbData);
  LocalFree(plain.pbData);
  return Lookup::kFound;
}

bool Remove(const std::string& file, std::string* error) {
  if (DeleteFileW(WideFromUtf8(file).c_str())) return true;
  const DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
  *error = Failure("cannot remove", file, code);
  return false;
}

}  // namespace j6::platform::secret
