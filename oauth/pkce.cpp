#include "oauth/pkce.h"

#include "oauth/sha256.h"
#include "platform/random_bytes.h"

namespace j6::oauth {

std::string Base64Url(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string text;
  unsigned bits = 0;
  int held = 0;
  for (const char byte : bytes) {
    bits = (bits << 8) | static_cast<unsigned char>(byte);
    for (held += 8; held >= 6; held -= 6) text += kDigits[(bits >> (held - 6)) & 0x3f];
  }
  if (held > 0) text += kDigits[(bits << (6 - held)) & 0x3f];
  return text;
}

std::string S256Challenge(std::string_view verifier) { return Base64Url(Sha256(verifier)); }

bool MakePkce(Pkce* pkce, std::string* error) {
  std::string verifierBytes;
  std::string stateBytes;
  if (!platform::RandomBytes(32, &verifierBytes, error) ||
      !platform::RandomBytes(16, &stateBytes, error)) {
    return false;
  }
  pkce->verifier = Base64Url(verifierBytes);
  pkce->challenge = S256Challenge(pkce->verifier);
  pkce->state = Base64Url(stateBytes);
  return true;
}

}  // namespace j6::oauth
