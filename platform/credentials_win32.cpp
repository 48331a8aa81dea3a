// Windows half of platform/credentials.h: CredReadW of a generic credential.
// The wide call, since the ANSI one gives the user name in the code page
// (Łukasz became Lukasz) and makes a password blob of 8-bit text of it.
#include <windows.h>
// After windows.h, which it needs.
#include <wincred.h>

#include <string>

#include "platform/credentials.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

Lookup ReadStoredCredential(const CredentialPlace& place, StoredCredential* credential,
                            std::string* error) {
  PCREDENTIALW found = nullptr;
  if (!CredReadW(WideFrom(place.target, CP_ACP).c_str(), CRED_TYPE_GENERIC, 0, &found)) {
    return Lookup::kNone;
  }
  // cmdkey and the Control Panel store the password as UTF-16LE text.
  const DWORD bytes = found->CredentialBlobSize;
  Lookup read = Lookup::kFailed;
  if (bytes % sizeof(wchar_t) == 0) {
    std::wstring password(reinterpret_cast<const wchar_t*>(found->CredentialBlob),
                          bytes / sizeof(wchar_t));
    credential->password = Utf8FromWide(password);
    if (!password.empty()) SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
    credential->user = found->UserName != nullptr ? Utf8FromWide(found->UserName) : std::string();
    read = Lookup::kFound;
  }
  if (found->CredentialBlob != nullptr) SecureZeroMemory(found->CredentialBlob, bytes);
  CredFree(found);
  if (read == Lookup::kFailed) {
    *error = "the stored password of " + place.target + " is not as cmdkey stores it";
  }
  return read;
}

bool StoreCredential(const CredentialPlace& place, const std::string& secret, std::string* error) {
  std::wstring target = WideFrom(place.target, CP_ACP);
  std::wstring user = WideFrom(place.login, CP_UTF8);
  std::wstring blob = WideFrom(secret, CP_UTF8);
  CREDENTIALW credential{};
  credential.Type = CRED_TYPE_GENERIC;
  credential.TargetName = target.data();
  credential.UserName = user.data();
  // As cmdkey stores a password: UTF-16, without a terminating zero.
  const std::size_t bytes = blob.size() * sizeof(wchar_t);
  credential.CredentialBlobSize = static_cast<DWORD>(bytes);
  credential.CredentialBlob = reinterpret_cast<LPBYTE>(blob.data());
  credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
  const bool stored = CredWriteW(&credential, 0) != FALSE;
  const DWORD failure = GetLastError();
  if (!blob.empty()) SecureZeroMemory(blob.data(), blob.size() * sizeof(wchar_t));
  if (!stored) {
    *error = "cannot store " + place.target + " (Credential Manager error " +
             std::to_string(failure) + ")";
  }
  return stored;
}

std::string StoreCommand(const CredentialPlace& place) {
  return "cmdkey /generic:" + place.target + " /user:" + place.login + " /pass";
}

std::string RemoveCommand(const CredentialPlace& place) { return "cmdkey /delete:" + place.target; }

std::string NetrcFile() { return std::string(); }

bool NetrcReadableByOthers() { return false; }

}  // namespace j6::platform
