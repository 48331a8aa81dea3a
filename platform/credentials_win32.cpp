// Windows half of platform/credentials.h: CredReadA of a generic credential.
#include <windows.h>
// After windows.h, which it needs.
#include <wincred.h>

#include <string>

#include "platform/credentials.h"

namespace j6::platform {

bool ReadStoredCredential(const std::string& target, StoredCredential* credential) {
  PCREDENTIALA found = nullptr;
  if (!CredReadA(target.c_str(), CRED_TYPE_GENERIC, 0, &found)) return false;
  // cmdkey and the Control Panel store the password as UTF-16LE text.
  const auto* wide = reinterpret_cast<const wchar_t*>(found->CredentialBlob);
  const int units = static_cast<int>(found->CredentialBlobSize / sizeof(wchar_t));
  std::string password;
  if (units > 0) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
    password.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    WideCharToMultiByte(CP_UTF8, 0, wide, units, password.data(), length, nullptr, nullptr);
  }
  credential->user = found->UserName != nullptr ? found->UserName : "";
  credential->password = password;
  SecureZeroMemory(password.data(), password.size());
  CredFree(found);
  return true;
}

std::string NetrcFile() { return std::string(); }

}  // namespace j6::platform
