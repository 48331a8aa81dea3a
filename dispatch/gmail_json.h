// What Gmail's API answers, as JSON: a sent message's id, and Google's error
// object ({"error": {"code": 403, "message": ..., "errors": [{"reason": ...}]}}).
#pragma once

#include <string>
#include <string_view>

namespace j6 {

struct GoogleError {
  long code = 0;       // the HTTP status it repeats; 0: none
  std::string reason;  // errors[0].reason: "rateLimitExceeded", "insufficientPermissions"
  std::string message;
};

/// Google's error object of `body`; false when it holds none.
bool ReadGoogleError(std::string_view body, GoogleError* error);

}  // namespace j6
