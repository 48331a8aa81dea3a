#include "run/url.h"

#include "platform/ascii.h"

namespace j6 {

Url ReadUrl(std::string_view text) {
  Url url;
  const std::size_t separator = text.find("://");
  if (separator != std::string_view::npos) {
    for (const char c : text.substr(0, separator)) url.scheme += platform::AsciiLower(c);
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

}  // namespace j6
