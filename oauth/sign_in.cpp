#include "oauth/sign_in.h"

namespace j6::oauth {

bool GaveTokens(const EndpointAnswer& answer, std::string* error) {
  if (answer.status != 200 || !answer.error.empty()) {
    *error = "the token endpoint refused: " + RefusalText(answer);
    return false;
  }
  if (answer.refreshToken.empty()) {
    // Without one every run would need the user again.
    *error = "the token endpoint gave no refresh token (does SCOPE ask for offline access?)";
    return false;
  }
  return true;
}

}  // namespace j6::oauth
