// Windows half of platform/credentials.h: CredReadW of a generic credential.
// The wide call, since the ANSI one gives the user name in the code page
// (Łukasz became Lukasz) and makes a password blob of 8-bit text of it.
#include <windows.h>
// After windows.h, which it needs.
#include <wincred.h>

#include <string>

#include "platform/credentials.h"

namespace j6::platform {

namespace {

std::wstring Wide(const std::string& text) {
  const int units =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
  return wide;
}

std::string Utf8(const wchar_t* text, int units) {
  if (text == nullptr || units <= 0) return std::string();
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, units, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace

Lookup ReadStoredCredential(const CredentialPlace& place, StoredCredential* credential,
                            std::string* error) {
  PCREDENTIALW found = nullptr;
  if (!CredReadW(Wide(place.target).c_str(), CRED_TYPE_GENERIC, 0, &found)) {
    return Lookup::kNone;
  }
  // cmdkey and the Control Panel store the password as UTF-16LE text.
  const DWORD bytes = found->CredentialBlobSize;
  Lookup read = Lookup::kFailed;
  if (bytes % sizeof(wchar_t) == 0) {
    credential->password = Utf8(reinterpret_cast<const wchar_t*>(found->CredentialBlob),
                                static_cast<int>(bytes / sizeof(wchar_t)));
    credential->user =
        Utf8(found->UserName,
             found->UserName != nullptr ? static_cast<int>(lstrlenW(found->UserName)) : 0);
    read = Lookup::kFound;
  }
  if (found->CredentialBlob != nullptr) SecureZeroMemory(found->CredentialBlob, bytes);
  CredFree(found);
  if (read == Lookup::kFailed) {
    *error = "the stored password of " + place.target + " is not as cmdkey stores it";
  }
  return read;
}

std::string NetrcFile() { return std::string(); }

bool NetrcReadableByOthers() { return false; }

}  // namespace j6::platform
