// Windows half of tests/support/stored_password.h: the Credential Manager.
#include <windows.h>
// After windows.h, which they need.
#include <wincred.h>
#include <wincrypt.h>

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

bool MakeStoreCertificate(const std::string& name, std::string* der, std::string* thumbprint) {
  std::wstring container(name.begin(), name.end());
  HCRYPTPROV provider = 0;
  HCRYPTKEY key = 0;
  CryptAcquireContextW(&provider, container.c_str(), MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                       CRYPT_DELETEKEYSET);
  const bool keyMade = CryptAcquireContextW(&provider, container.c_str(), MS_ENH_RSA_AES_PROV_W,
                                            PROV_RSA_AES, CRYPT_NEWKEYSET) != FALSE &&
                       CryptGenKey(provider, AT_SIGNATURE, 2048u << 16, &key) != FALSE;
  if (key != 0) CryptDestroyKey(key);
  if (provider != 0) CryptReleaseContext(provider, 0);
  BYTE encoded[256];
  DWORD size = sizeof encoded;
  if (!keyMade || CertStrToNameW(X509_ASN_ENCODING, (L"CN=" + container).c_str(),
                                 CERT_X500_NAME_STR, nullptr, encoded, &size, nullptr) == FALSE) {
    return false;
  }
  CERT_NAME_BLOB subject{size, encoded};
  CRYPT_KEY_PROV_INFO info{
      container.data(), const_cast<wchar_t*>(MS_ENH_RSA_AES_PROV_W), PROV_RSA_AES, 0, 0, nullptr,
      AT_SIGNATURE};
  CRYPT_ALGORITHM_IDENTIFIER algorithm{const_cast<char*>(szOID_RSA_SHA256RSA), {}};
  const PCCERT_CONTEXT made =
      CertCreateSelfSignCertificate(0, &subject, 0, &info, &algorithm, nullptr, nullptr, nullptr);
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY");
  BYTE hash[20];
  size = sizeof hash;
  const bool added =
      made != nullptr && store != nullptr &&
      CertAddCertificateContextToStore(store, made, CERT_STORE_ADD_REPLACE_EXISTING, nullptr) !=
          FALSE &&
      CertGetCertificateContextProperty(made, CERT_HASH_PROP_ID, hash, &size) != FALSE;
  if (store != nullptr) CertCloseStore(store, 0);  // which writes it
  if (added) der->assign(reinterpret_cast<const char*>(made->pbCertEncoded), made->cbCertEncoded);
  thumbprint->assign(reinterpret_cast<const char*>(hash), added ? size : 0);
  if (made != nullptr) CertFreeCertificateContext(made);
  return added;
}

}  // namespace j6::test
