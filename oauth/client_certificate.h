// The client certificate a route signs in with instead of a client secret
// (CLIENT_CERT): where the system keeps certificates in a store (Windows),
// the one of that thumbprint, its key used where it lies; elsewhere a PEM
// file holding the certificate and its key, which the network library reads
// and signs with. Only signatures leave it, never the key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "oauth/client.h"

namespace j6::oauth {

struct ClientCertificate {
  std::string thumbprint;      // SHA-1 of the DER, 20 bytes
  std::string der;             // the certificate
  std::string subject;         // its subject's common name
  std::int64_t notBefore = 0;  // seconds since 1970, UTC
  std::int64_t notAfter = 0;
  bool pss = false;  // its key signs RSA-PSS; a CryptoAPI key cannot
};

/// The 20 bytes of a thumbprint as Windows shows it: 40 hex digits, either
/// case, blanks and colons between them allowed, and the invisible U+200E
/// the certificate dialog puts before a copied one (a '?' once an ANSI file
/// holds it) dropped. False when `setting` is anything else.
bool ReadThumbprint(std::string_view setting, std::string* bytes);

/// The thumbprint as 40 upper-case hex digits, as certutil shows it.
std::string ThumbprintText(std::string_view thumbprint);

/// A time as "2027-06-30 14:05 UTC".
std::string UtcText(std::int64_t seconds);

/// The certificate CLIENT_CERT names, with a private key this user may use.
/// False with the reason (CLIENT_CERT named as written): none of that
/// thumbprint, no usable key; a key file that cannot be read, holds no key
/// or no certificate, or that others may read.
bool LoadClientCertificate(const OAuthClient& client, ClientCertificate* certificate,
                           std::string* error);

/// False, with its dates, when the certificate is not valid at `now`.
bool ValidAt(const ClientCertificate& certificate, std::int64_t now, std::string* error);

/// Signs `data` with the certificate's key, SHA-256: RSA-PSS (MGF1 SHA-256,
/// a salt of 32 bytes) when `pss`, else PKCS#1 v1.5. The signature,
/// big-endian, into `*signature`.
bool SignWithCertificate(const OAuthClient& client, const ClientCertificate& certificate,
                         std::string_view data, bool pss, std::string* signature,
                         std::string* error);

}  // namespace j6::oauth
