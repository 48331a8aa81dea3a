// Windows half of platform/certificate_store.h: CryptoAPI's stores, the key
// acquired where it lies (CNG preferred, silently), NCrypt looked up at run
// time so that the program starts where ncrypt.dll is missing or a stub.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
#include <bcrypt.h>
#include <ncrypt.h>
// clang-format on

#include <algorithm>
#include <cstdio>

#include "platform/certificate_store.h"
#include "platform/wide_text_win32.h"

namespace j6::platform {

namespace {

using SignHash = SECURITY_STATUS(WINAPI*)(NCRYPT_KEY_HANDLE, VOID*, PBYTE, DWORD, PBYTE, DWORD,
                                          DWORD*, DWORD);
using FreeObject = SECURITY_STATUS(WINAPI*)(NCRYPT_HANDLE);

struct Ncrypt {
  SignHash sign = nullptr;
  FreeObject free = nullptr;
};

/// NCrypt's two calls; null where ncrypt.dll has them not.
const Ncrypt* TheNcrypt() {
  static const Ncrypt ncrypt = [] {
    Ncrypt found;
    const HMODULE library = LoadLibraryExW(L"ncrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library != nullptr) {
      // Through void*: FARPROC names no signature of its own.
      found.sign = reinterpret_cast<SignHash>(
          reinterpret_cast<void*>(GetProcAddress(library, "NCryptSignHash")));
      found.free = reinterpret_cast<FreeObject>(
          reinterpret_cast<void*>(GetProcAddress(library, "NCryptFreeObject")));
    }
    return found;
  }();
  return ncrypt.sign != nullptr && ncrypt.free != nullptr ? &ncrypt : nullptr;
}

std::string Hex(std::string_view bytes) {
  std::string text;
  for (const char byte : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(byte));
    text += pair;
  }
  return text;
}

/// A certificate found in a store, freed with the store.
struct Found {
  HCERTSTORE store = nullptr;
  PCCERT_CONTEXT context = nullptr;
  Found() = default;
  Found(const Found&) = delete;
  Found& operator=(const Found&) = delete;
  ~Found() {
    if (context != nullptr) CertFreeCertificateContext(context);
    if (store != nullptr) CertCloseStore(store, 0);
  }
};

/// The certificate in the current user's personal store, else the machine's.
bool Find(std::string_view thumbprint, Found* found, std::string* error) {
  for (const DWORD where : {CERT_SYSTEM_STORE_CURRENT_USER, CERT_SYSTEM_STORE_LOCAL_MACHINE}) {
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                      where | CERT_STORE_READONLY_FLAG | CERT_STORE_OPEN_EXISTING_FLAG, L"MY");
    if (store == nullptr) continue;
    std::string hash(thumbprint);
    CRYPT_HASH_BLOB blob{static_cast<DWORD>(hash.size()), reinterpret_cast<BYTE*>(hash.data())};
    const PCCERT_CONTEXT context = CertFindCertificateInStore(
        store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_HASH, &blob, nullptr);
    if (context != nullptr) {
      found->store = store;
      found->context = context;
      return true;
    }
    CertCloseStore(store, 0);
  }
  *error = "no certificate with the thumbprint " + Hex(thumbprint) +
           " in the current user's or the machine's personal store";
  return false;
}

/// The certificate's private key where it lies, released with this.
struct Key {
  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE handle = 0;
  DWORD spec = 0;
  BOOL mustFree = FALSE;
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (mustFree == FALSE) return;
    if (spec != CERT_NCRYPT_KEY_SPEC) {
      CryptReleaseContext(handle, 0);
    } else if (const Ncrypt* ncrypt = TheNcrypt()) {
      ncrypt->free(handle);
    }
  }
};

bool Acquire(PCCERT_CONTEXT context, std::string_view thumbprint, Key* key, std::string* error) {
  if (CryptAcquireCertificatePrivateKey(
          context, CRYPT_ACQUIRE_PREFER_NCRYPT_KEY_FLAG | CRYPT_ACQUIRE_SILENT_FLAG, nullptr,
          &key->handle, &key->spec, &key->mustFree) != FALSE) {
    return true;
  }
  *error = "the certificate " + Hex(thumbprint) + " has no private key this user may use (error " +
           std::to_string(GetLastError()) +
           "): its key's permissions are set in certlm.msc, \"Manage Private Keys\"";
  return false;
}

std::int64_t UnixSeconds(const FILETIME& time) {
  ULARGE_INTEGER ticks;
  ticks.LowPart = time.dwLowDateTime;
  ticks.HighPart = time.dwHighDateTime;
  // 100-nanosecond ticks since 1601.
  return static_cast<std::int64_t>((ticks.QuadPart - 116444736000000000ULL) / 10000000ULL);
}

bool SignNcrypt(const Key& key, std::string_view digest, bool pss, std::string* signature,
                std::string* error) {
  const Ncrypt* ncrypt = TheNcrypt();
  if (ncrypt == nullptr) {
    *error = "ncrypt.dll has no NCryptSignHash here: the key cannot sign";
    return false;
  }
  BCRYPT_PSS_PADDING_INFO pssPadding{BCRYPT_SHA256_ALGORITHM, 32};
  BCRYPT_PKCS1_PADDING_INFO pkcs1Padding{BCRYPT_SHA256_ALGORITHM};
  void* padding = pss ? static_cast<void*>(&pssPadding) : static_cast<void*>(&pkcs1Padding);
  const DWORD flags = pss ? BCRYPT_PAD_PSS : BCRYPT_PAD_PKCS1;
  std::string hash(digest);
  auto* hashBytes = reinterpret_cast<PBYTE>(hash.data());
  DWORD size = 0;
  SECURITY_STATUS status = ncrypt->sign(key.handle, padding, hashBytes,
                                        static_cast<DWORD>(hash.size()), nullptr, 0, &size, flags);
  if (status == ERROR_SUCCESS) {
    signature->assign(size, '\0');
    status = ncrypt->sign(key.handle, padding, hashBytes, static_cast<DWORD>(hash.size()),
                          reinterpret_cast<PBYTE>(signature->data()), size, &size, flags);
    signature->resize(size);
  }
  if (status == ERROR_SUCCESS) return true;
  *error = "the certificate's key cannot sign (NCrypt error " +
           std::to_string(static_cast<unsigned long>(status)) + ")";
  return false;
}

/// Signs with `provider`'s key `spec`: PKCS#1 v1.5, little-endian from
/// CryptoAPI, turned big-endian.
bool SignWith(HCRYPTPROV provider, DWORD spec, std::string_view digest, std::string* signature,
              DWORD* failure) {
  HCRYPTHASH hash = 0;
  std::string value(digest);
  DWORD size = 0;
  bool done =
      CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) != FALSE &&
      CryptSetHashParam(hash, HP_HASHVAL, reinterpret_cast<BYTE*>(value.data()), 0) != FALSE &&
      CryptSignHashW(hash, spec, nullptr, 0, nullptr, &size) != FALSE;
  if (done) {
    signature->assign(size, '\0');
    done = CryptSignHashW(hash, spec, nullptr, 0, reinterpret_cast<BYTE*>(signature->data()),
                          &size) != FALSE;
    signature->resize(size);
    std::reverse(signature->begin(), signature->end());
  }
  *failure = GetLastError();
  // A container without its key signs "successfully" with nothing under Wine.
  if (done && signature->empty()) {
    done = false;
    *failure = static_cast<DWORD>(NTE_NO_KEY);
  }
  if (hash != 0) CryptDestroyHash(hash);
  return done;
}

/// The key's container opened anew in the provider that has SHA-256: a
/// key imported from a PFX lies in the base or enhanced provider, which
/// knows no SHA-256 (NTE_BAD_ALGID), while the AES provider reads the same
/// containers.
bool SignInAesProvider(PCCERT_CONTEXT context, DWORD spec, std::string_view digest,
                       std::string* signature, DWORD* failure) {
  DWORD size = 0;
  if (CertGetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size) ==
      FALSE) {
    *failure = GetLastError();
    return false;
  }
  std::string bytes(size, '\0');
  if (CertGetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, bytes.data(), &size) ==
      FALSE) {
    *failure = GetLastError();
    return false;
  }
  const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(bytes.data());
  HCRYPTPROV provider = 0;
  if (CryptAcquireContextW(&provider, info->pwszContainerName, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                           (info->dwFlags & CRYPT_MACHINE_KEYSET) | CRYPT_SILENT) == FALSE) {
    *failure = GetLastError();
    return false;
  }
  const bool done = SignWith(provider, spec, digest, signature, failure);
  CryptReleaseContext(provider, 0);
  return done;
}

/// A CryptoAPI (legacy) key: PKCS#1 v1.5 only.
bool SignCryptoApi(PCCERT_CONTEXT context, const Key& key, std::string_view digest,
                   std::string* signature, std::string* error) {
  DWORD failure = 0;
  if (SignWith(key.handle, key.spec, digest, signature, &failure)) return true;
  if (failure == static_cast<DWORD>(NTE_BAD_ALGID) &&
      SignInAesProvider(context, key.spec, digest, signature, &failure)) {
    return true;
  }
  *error =
      "the certificate's CryptoAPI key cannot sign SHA-256 (error " + std::to_string(failure) + ")";
  return false;
}

}  // namespace

bool HasCertificateStore() { return true; }

bool FindStoreCertificate(std::string_view thumbprint, StoreCertificate* found,
                          std::string* error) {
  Found certificate;
  Key key;
  if (!Find(thumbprint, &certificate, error) ||
      !Acquire(certificate.context, thumbprint, &key, error)) {
    return false;
  }
  const PCCERT_CONTEXT context = certificate.context;
  found->der.assign(reinterpret_cast<const char*>(context->pbCertEncoded), context->cbCertEncoded);
  wchar_t name[256] = {};
  CertGetNameStringW(context, CERT_NAME_ATTR_TYPE, 0,
                     const_cast<char*>(szOID_COMMON_NAME),  // NOLINT: the API's type
                     name, 256);
  found->subject = Utf8FromWide(name);
  found->notBefore = UnixSeconds(context->pCertInfo->NotBefore);
  found->notAfter = UnixSeconds(context->pCertInfo->NotAfter);
  // A CNG key signs RSA-PSS; a CryptoAPI key cannot.
  found->pss = key.spec == CERT_NCRYPT_KEY_SPEC;
  return true;
}

bool SignWithStoreKey(std::string_view thumbprint, std::string_view digest, bool pss,
                      std::string* signature, std::string* error) {
  Found certificate;
  Key key;
  if (!Find(thumbprint, &certificate, error) ||
      !Acquire(certificate.context, thumbprint, &key, error)) {
    return false;
  }
  if (key.spec == CERT_NCRYPT_KEY_SPEC) return SignNcrypt(key, digest, pss, signature, error);
  if (pss) {
    *error = "the certificate's key is a CryptoAPI one, which cannot sign RSA-PSS";
    return false;
  }
  return SignCryptoApi(certificate.context, key, digest, signature, error);
}

}  // namespace j6::platform
