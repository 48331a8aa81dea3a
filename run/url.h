// The one reading of a URL the settings give (SERVER, TOKEN_URL, DEVICE_URL,
// AUTHORIZE_URL): its scheme, whether it holds a user or password, its host
// and port. curl parses what is sent; this only decides what is refused,
// shown and looked up.
#pragma once

#include <string>
#include <string_view>

namespace j6 {

struct Url {
  std::string scheme;       // in lower case; empty when none is written
  bool holdsLogin = false;  // an "@" anywhere before its query: "user:pass@host"
  std::string host;         // an address literal keeps its brackets
  std::string port;         // empty when none is written
  std::string rest;         // from the first "/", "?" or "#" after the host on
};

/// `text` read as a URL: "scheme://", then the authority up to the first
/// "/", "?" or "#" after its last "@" (a password may hold a "/"), then the
/// rest; a text without "://" is read from its authority.
Url ReadUrl(std::string_view text);

}  // namespace j6
