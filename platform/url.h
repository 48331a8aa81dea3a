// The one reading of a URL the program deals in (a setting's SERVER,
// TOKEN_URL and the like, a request's URL, a proxy's): its scheme, whether it
// holds a user or password, its host and port. curl parses what is sent; this
// only decides what is refused, shown and looked up. Inline, so that the
// network transport reads URLs as the program does.
#pragma once

#include <string>
#include <string_view>

#include "platform/ascii.h"

namespace j6::platform {

struct Url {
  std::string scheme;       // in lower case; empty when none is written
  bool holdsLogin = false;  // an "@" anywhere before its query: "user:pass@host"
  std::string host;         // an address literal keeps its brackets
  std::string port;         // empty when none is written
  std::string rest;         // from the first "/", "?" or "#" after the host on
};

/// `text` read as a setting's URL: "scheme://", then the authority up to the
/// first "/", "?" or "#" after its last "@" (a password may hold a "/"),
/// then the rest; a text without "://" is read from its authority.
inline Url ReadUrl(std::string_view text) {
  Url url;
  const std::size_t separator = text.find("://");
  if (separator != std::string_view::npos) {
    for (const char c : text.substr(0, separator)) url.scheme += AsciiLower(c);
    text.remove_prefix(separator + 3);
  }
  // Any "@" before the query is taken for a login's: refusing a URL too many
  // is safe, showing or sending a password is not.
  const std::size_t at = text.substr(0, text.find_first_of("?#")).rfind('@');
  url.holdsLogin = at != std::string_view::npos;
  const std::size_t hostStart = url.holdsLogin ? at + 1 : 0;
  const std::size_t end = text.find_first_of("/?#", hostStart);
  std::string_view authority = text.substr(hostStart, end - hostStart);
  if (end != std::string_view::npos) url.rest = std::string(text.substr(end));
  // An address literal keeps its brackets; its colons are no port's.
  const std::size_t close = authority.rfind(']');
  const std::size_t colon = authority.find(':', close == std::string_view::npos ? 0 : close);
  if (colon != std::string_view::npos) {
    url.port = std::string(authority.substr(colon + 1));
    authority = authority.substr(0, colon);
  }
  url.host = std::string(authority);
  return url;
}

/// `text` read as a request's URL, which the program made: its authority
/// ends at the first "/", "?" or "#", since a path may hold an "@" (Graph's
/// /users/<address>/...) that ReadUrl would take for a login's end.
inline Url ReadRequestUrl(std::string_view text) {
  const std::size_t separator = text.find("://");
  const std::size_t start = separator == std::string_view::npos ? 0 : separator + 3;
  const std::size_t end = text.find_first_of("/?#", start);
  Url url = ReadUrl(text.substr(0, end));
  if (end != std::string_view::npos) url.rest = std::string(text.substr(end));
  return url;
}

/// "host:port" of a request's URL, `defaultPort` when it names none: what a
/// proxy is asked for, what a bypass list compares.
inline std::string HostAndPort(std::string_view text, std::string_view defaultPort) {
  const Url url = ReadRequestUrl(text);
  return url.host + ":" + (url.port.empty() ? std::string(defaultPort) : url.port);
}

}  // namespace j6::platform
