#include "oauth/pkce.h"

#include "mail/base64.h"

#include "oauth/sha256.h"
#include "platform/random_bytes.h"

namespace j6::oauth {

std::string Base64Url(std::string_view bytes) {
  std::string text;
  mail::AppendBase64Url(bytes, &text);
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
