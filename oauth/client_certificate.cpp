#include "oauth/client_certificate.h"

#include <cstdio>

#include "net/transport.h"
#include "oauth/sha256.h"
#include "platform/certificate_store.h"
#include "platform/wipe.h"

namespace j6::oauth {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool LoadFromStore(const OAuthClient& client, ClientCertificate* certificate, std::string* error) {
  if (!ReadThumbprint(client.clientCert, &certificate->thumbprint)) {
    *error = "CLIENT_CERT is not a certificate's thumbprint (40 hex digits): " + client.clientCert;
    return false;
  }
  platform::StoreCertificate found;
  if (!platform::FindStoreCertificate(certificate->thumbprint, &found, error)) return false;
  certificate->der = std::move(found.der);
  certificate->subject = std::move(found.subject);
  certificate->notBefore = found.notBefore;
  certificate->notAfter = found.notAfter;
  certificate->pss = found.pss;
  return true;
}

bool LoadFromFile(const OAuthClient& client, ClientCertificate* certificate, std::string* error) {
  platform::DynamicLibrary library;
  net::Transport transport;
  if (!net::FindTransport(&library, &transport, error)) return false;
  J6KeyCertificate read{};
  char text[512] = {};
  if (transport.readKeyFile(client.clientCert.c_str(), &read, text, sizeof text) == 0) {
    *error = text;
    return false;
  }
  certificate->thumbprint.assign(reinterpret_cast<const char*>(read.sha1), sizeof read.sha1);
  certificate->der.assign(reinterpret_cast<const char*>(read.der), read.derSize);
  certificate->subject = read.subject;
  certificate->notBefore = read.notBefore;
  certificate->notAfter = read.notAfter;
  certificate->pss = read.pss != 0;
  return true;
}

}  // namespace

bool ReadThumbprint(std::string_view setting, std::string* bytes) {
  // What stands before the first digit: the dialog's U+200E, or what an
  // ANSI file or a misread UTF-8 one made of it.
  std::size_t start = 0;
  while (start < setting.size() && (static_cast<unsigned char>(setting[start]) >= 0x80 ||
                                    setting[start] == '?' || setting[start] == ' ')) {
    ++start;
  }
  std::string digits;
  for (const char c : setting.substr(start)) {
    if (c == ' ' || c == ':' || c == '\t') continue;
    if (HexValue(c) < 0) return false;
    digits += c;
  }
  if (digits.size() != 40) return false;
  bytes->clear();
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    bytes->push_back(static_cast<char>(HexValue(digits[i]) * 16 + HexValue(digits[i + 1])));
  }
  return true;
}

std::string ThumbprintText(std::string_view thumbprint) {
  std::string text;
  for (const char byte : thumbprint) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(byte));
    text += pair;
  }
  return text;
}

std::string UtcText(std::int64_t seconds) {
  // Days to a civil date (proleptic Gregorian), as the calendar algorithms
  // of H. Hinnant's date library do it: no gmtime, whose range and thread
  // safety differ by system.
  const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
  const std::int64_t inDay = seconds - days * 86400;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  const std::int64_t month = shifted < 10 ? shifted + 3 : shifted - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld UTC",
                static_cast<long long>(year), static_cast<long long>(month),
                static_cast<long long>(day), static_cast<long long>(inDay / 3600),
                static_cast<long long>(inDay / 60 % 60));
  return text;
}

bool LoadClientCertificate(const OAuthClient& client, ClientCertificate* certificate,
                           std::string* error) {
  *certificate = ClientCertificate{};
  return platform::HasCertificateStore() ? LoadFromStore(client, certificate, error)
                                         : LoadFromFile(client, certificate, error);
}

bool ValidAt(const ClientCertificate& certificate, std::int64_t now, std::string* error) {
  const std::string name = "the client certificate " + ThumbprintText(certificate.thumbprint);
  if (now >= certificate.notAfter) {
    *error = name + " expired on " + UtcText(certificate.notAfter);
  } else if (now < certificate.notBefore) {
    *error = name + " is not valid before " + UtcText(certificate.notBefore) +
             " (this desktop's clock says " + UtcText(now) + ")";
  } else {
    return true;
  }
  return false;
}

bool SignWithCertificate(const OAuthClient& client, const ClientCertificate& certificate,
                         std::string_view data, bool pss, std::string* signature,
                         std::string* error) {
  if (platform::HasCertificateStore()) {
    return platform::SignWithStoreKey(certificate.thumbprint, Sha256(data), pss, signature, error);
  }
  platform::DynamicLibrary library;
  net::Transport transport;
  if (!net::FindTransport(&library, &transport, error)) return false;
  // RSA keys of up to 16384 bits.
  signature->assign(2048, '\0');
  std::size_t size = signature->size();
  char text[512] = {};
  if (transport.signWithKeyFile(client.clientCert.c_str(), data.data(), data.size(), pss ? 1 : 0,
                                reinterpret_cast<unsigned char*>(signature->data()), &size, text,
                                sizeof text) == 0) {
    *error = text;
    return false;
  }
  signature->resize(size);
  return true;
}

}  // namespace j6::oauth
