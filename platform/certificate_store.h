// Windows' certificate store, for a client certificate deployed to a desktop
// (by Intune or Group Policy): looked up by its SHA-1 thumbprint in the
// current user's personal store, then the machine's, and its private key used
// where it lies, never exported. Off Windows there is none: a key file serves
// instead (net/'s ReadKeyFile).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace j6::platform {

/// Whether this system keeps certificates in a store (Windows): then
/// CLIENT_CERT names one by its thumbprint; elsewhere it is a key file.
bool HasCertificateStore();

struct StoreCertificate {
  std::string der;             // the certificate, DER
  std::string subject;         // its subject's common name
  std::int64_t notBefore = 0;  // seconds since 1970, UTC
  std::int64_t notAfter = 0;
  bool pss = false;  // its key signs RSA-PSS (a CNG key); a CryptoAPI key cannot
};

/// The certificate of SHA-1 `thumbprint` (20 bytes) whose private key this
/// user may use, into `*found`; false with the reason (none in either store,
/// or no key that may be used: its permissions are set in certlm.msc,
/// "Manage Private Keys").
bool FindStoreCertificate(std::string_view thumbprint, StoreCertificate* found, std::string* error);

/// Signs the SHA-256 `digest` (32 bytes) with that certificate's key:
/// RSA-PSS (a salt of 32 bytes) when `pss`, else PKCS#1 v1.5; the signature
/// into `*signature`, big-endian as JWTs take it.
bool SignWithStoreKey(std::string_view thumbprint, std::string_view digest, bool pss,
                      std::string* signature, std::string* error);

}  // namespace j6::platform
