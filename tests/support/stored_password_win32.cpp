// Windows half of tests/support/stored_password.h: the Credential Manager.
#include <windows.h>
// After windows.h, which it needs.
#include <wincred.h>

#include <string>

#include "tests/support/stored_password.h"

namespace j6::test {

bool StorePassword(const std::string& server, const std::string& /*host*/, const std::string& user,
                   const std::string& password, const std::string& /*folder*/) {
  // cmdkey stores the password as UTF-16LE text.
  const int length = MultiByteToWideChar(CP_UTF8, 0, password.data(),
                                         static_cast<int>(password.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, password.data(), static_cast<int>(password.size()), wide.data(),
                      length);
  std::string target = "J6Mailer:" + server;
  std::string name = user;
  CREDENTIALA credential{};
  credential.Type = CRED_TYPE_GENERIC;
  credential.TargetName = target.data();
  credential.UserName = name.data();
  credential.CredentialBlob = reinterpret_cast<LPBYTE>(wide.data());
  credential.CredentialBlobSize =
      static_cast<DWORD>(wide.size()) * static_cast<DWORD>(sizeof(wchar_t));
  credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
  return CredWriteA(&credential, 0) != 0;
}

void ForgetPassword(const std::string& server) {
  CredDeleteA(("J6Mailer:" + server).c_str(), CRED_TYPE_GENERIC, 0);
}

}  // namespace j6::test
