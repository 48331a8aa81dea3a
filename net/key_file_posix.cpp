// The transport's key files, off Windows: a PEM file's certificate and its
// private key read, and signatures made, with OpenSSL's libcrypto, which
// libcurl brings into this library already; the program itself never loads
// it unless a route signs in with a certificate.
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "net/curl_rules.h"
#include "net/net_transport.h"
#include "platform/wipe.h"

namespace {

using j6::net::SetError;

struct Freed {
  void operator()(X509* certificate) const { X509_free(certificate); }
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
  void operator()(BIO* bio) const { BIO_free(bio); }
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

/// The file's bytes, refused when users other than its owner may read it
/// (as ssh refuses a private key): a key others can read is no one's own.
bool ReadOwnFile(const char* path, std::string* bytes, std::string* error) {
  struct stat status {};
  if (stat(path, &status) != 0) {
    *error = std::string("cannot read the key file ") + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    *error = std::string("the key file ") + path + " is not a file";
    return false;
  }
  if ((status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
    *error = std::string("others may read the key file ") + path +
             ": make it the user's alone (chmod 600)";
    return false;
  }
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    *error = std::string("cannot read the key file ") + path + ": " + std::strerror(errno);
    return false;
  }
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    bytes->append(buffer, got);
  }
  std::fclose(file);
  j6::platform::WipeBytes(buffer, sizeof buffer);
  return true;
}

/// Never asks for a passphrase: an encrypted key is no key here.
int NoPassphrase(char* /*buffer*/, int /*size*/, int /*writing*/, void* /*data*/) { return -1; }

/// The key of the file, and its certificate when asked for.
bool ReadPem(const char* path, std::unique_ptr<EVP_PKEY, Freed>* key,
             std::unique_ptr<X509, Freed>* certificate, std::string* error) {
  std::string bytes;
  if (!ReadOwnFile(path, &bytes, error)) return false;
  const auto fresh = [&bytes] {
    return std::unique_ptr<BIO, Freed>(
        BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
  };
  key->reset(PEM_read_bio_PrivateKey(fresh().get(), nullptr, NoPassphrase, nullptr));
  if (certificate != nullptr) {
    certificate->reset(PEM_read_bio_X509(fresh().get(), nullptr, NoPassphrase, nullptr));
  }
  j6::platform::Wipe(&bytes);
  if (!*key) {
    *error =
        std::string("the key file ") + path + " holds no private key (an encrypted one is none)";
  } else if (certificate != nullptr && !*certificate) {
    *error = std::string("the key file ") + path + " holds no certificate";
  } else if (certificate != nullptr &&
             X509_check_private_key(certificate->get(), key->get()) != 1) {
    *error = std::string("the key of ") + path + " is not its certificate's";
  } else {
    return true;
  }
  return false;
}

long long Seconds(const ASN1_TIME* time) {
  std::tm parts{};
  if (ASN1_TIME_to_tm(time, &parts) != 1) return 0;
  return static_cast<long long>(timegm(&parts));
}

bool Describe(X509* certificate, EVP_PKEY* key, J6KeyCertificate* described, std::string* error) {
  // The endpoints take RS256 and PS256 alone.
  if (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) {
    *error = "the key file's key is not an RSA key, which the token endpoints take";
    return false;
  }
  const int size = i2d_X509(certificate, nullptr);
  if (size <= 0 || static_cast<std::size_t>(size) > sizeof described->der) {
    *error = "the certificate is larger than a client certificate is";
    return false;
  }
  unsigned char* out = described->der;
  i2d_X509(certificate, &out);
  described->derSize = static_cast<std::size_t>(size);
  unsigned int length = 0;
  EVP_Digest(described->der, described->derSize, described->sha1, &length, EVP_sha1(), nullptr);
  X509_NAME* subject = X509_get_subject_name(certificate);
  if (X509_NAME_get_text_by_NID(subject, NID_commonName, described->subject,
                                sizeof described->subject) < 0) {
    X509_NAME_oneline(subject, described->subject, sizeof described->subject);
  }
  described->notBefore = Seconds(X509_get0_notBefore(certificate));
  described->notAfter = Seconds(X509_get0_notAfter(certificate));
  described->pss = 1;
  return true;
}

int ReadKey(const char* path, J6KeyCertificate* certificate, char* error, size_t errorSize) {
  std::unique_ptr<EVP_PKEY, Freed> key;
  std::unique_ptr<X509, Freed> read;
  std::string text;
  if (!ReadPem(path, &key, &read, &text) || !Describe(read.get(), key.get(), certificate, &text)) {
    SetError(error, errorSize, text);
    return 0;
  }
  return 1;
}

int Sign(const char* path, const char* data, size_t dataSize, int pss, unsigned char* signature,
         size_t* signatureSize, char* error, size_t errorSize) {
  std::unique_ptr<EVP_PKEY, Freed> key;
  std::string text;
  if (!ReadPem(path, &key, nullptr, &text)) {
    SetError(error, errorSize, text);
    return 0;
  }
  const std::unique_ptr<EVP_MD_CTX, Freed> context(EVP_MD_CTX_new());
  EVP_PKEY_CTX* options = nullptr;
  bool signed_ = context != nullptr &&
                 EVP_DigestSignInit(context.get(), &options, EVP_sha256(), nullptr, key.get()) == 1;
  if (signed_ && pss != 0) {
    // OpenSSL's own salt would be the largest that fits, which the
    // endpoints refuse: the digest's length, as PS256 has it.
    signed_ = EVP_PKEY_CTX_set_rsa_padding(options, RSA_PKCS1_PSS_PADDING) == 1 &&
              EVP_PKEY_CTX_set_rsa_pss_saltlen(options, RSA_PSS_SALTLEN_DIGEST) == 1 &&
              EVP_PKEY_CTX_set_rsa_mgf1_md(options, EVP_sha256()) == 1;
  }
  signed_ = signed_ && EVP_DigestSign(context.get(), signature, signatureSize,
                                      reinterpret_cast<const unsigned char*>(data), dataSize) == 1;
  if (!signed_) SetError(error, errorSize, std::string("the key of ") + path + " cannot sign");
  return signed_ ? 1 : 0;
}

}  // namespace

extern "C" J6_NET_EXPORT int J6MailerNet_ReadKeyFile(const char* path,
                                                     J6KeyCertificate* certificate, char* error,
                                                     size_t errorSize) {
  try {
    return ReadKey(path, certificate, error, errorSize);
  } catch (...) {
    SetError(error, errorSize, "out of memory");
    return 0;
  }
}

extern "C" J6_NET_EXPORT int J6MailerNet_SignWithKeyFile(const char* path, const char* data,
                                                         size_t dataSize, int pss,
                                                         unsigned char* signature,
                                                         size_t* signatureSize, char* error,
                                                         size_t errorSize) {
  try {
    return Sign(path, data, dataSize, pss, signature, signatureSize, error, errorSize);
  } catch (...) {
    SetError(error, errorSize, "out of memory");
    return 0;
  }
}
