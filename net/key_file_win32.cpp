// The transport's key files on Windows: none. There the certificate and its
// key are the system store's, which the platform reads and signs with.
#include "net/curl_rules.h"
#include "net/net_transport.h"

namespace {

constexpr char kNone[] = "a key file is read off Windows only: here CLIENT_CERT is a thumbprint";

}  // namespace

extern "C" J6_NET_EXPORT int J6MailerNet_ReadKeyFile(const char* /*path*/,
                                                     J6KeyCertificate* /*certificate*/, char* error,
                                                     size_t errorSize) {
  j6::net::SetError(error, errorSize, kNone);
  return 0;
}

extern "C" J6_NET_EXPORT int J6MailerNet_SignWithKeyFile(const char* /*path*/, const char* /*data*/,
                                                         size_t /*dataSize*/, int /*pss*/,
                                                         unsigned char* /*signature*/,
                                                         size_t* /*signatureSize*/, char* error,
                                                         size_t errorSize) {
  j6::net::SetError(error, errorSize, kNone);
  return 0;
}
