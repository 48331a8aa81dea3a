// POSIX half of platform/certificate_store.h: there is no store.
#include "platform/certificate_store.h"

namespace j6::platform {

namespace {

constexpr char kNone[] = "the certificate store is Windows': here CLIENT_CERT is a key file";

}  // namespace

bool HasCertificateStore() { return false; }

bool FindStoreCertificate(std::string_view /*thumbprint*/, StoreCertificate* /*found*/,
                          std::string* error) {
  *error = kNone;
  return false;
}

bool SignWithStoreKey(std::string_view /*thumbprint*/, std::string_view /*digest*/, bool /*pss*/,
                      std::string* /*signature*/, std::string* error) {
  *error = kNone;
  return false;
}

}  // namespace j6::platform
