#include "platform/proxy_lists.h"

#include <algorithm>

#include "platform/ascii.h"

namespace j6::platform {

namespace {

/// The entries of a list, split at any of `separators`, empty ones dropped.
std::vector<std::string_view> Entries(std::string_view list, std::string_view separators) {
  std::vector<std::string_view> entries;
  std::size_t at = 0;
  while (at < list.size()) {
    const std::size_t end = std::min(list.find_first_of(separators, at), list.size());
    if (end > at) entries.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return entries;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

/// A pattern with "*" for any run of characters against `text`, case ignored.
bool Matches(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern[0] == '*') {
    for (std::size_t skip = 0; skip <= text.size(); ++skip) {
      if (Matches(pattern.substr(1), text.substr(skip))) return true;
    }
    return false;
  }
  return !text.empty() && Lower(pattern[0]) == Lower(text[0]) &&
         Matches(pattern.substr(1), text.substr(1));
}

std::string_view WithoutScheme(std::string_view text) {
  const std::size_t scheme = text.find("://");
  return scheme == std::string_view::npos ? text : text.substr(scheme + 3);
}

}  // namespace

std::vector<std::string> HttpsProxiesOf(std::string_view list) {
  std::vector<std::string> proxies;
  for (std::string_view entry : Entries(list, "; \t")) {
    const std::size_t equals = entry.find('=');
    if (equals != std::string_view::npos) {
      if (!EqualsIgnoringAsciiCase(entry.substr(0, equals), "https")) continue;
      entry.remove_prefix(equals + 1);
    }
    const std::string proxy = ProxyHostPort(entry, "80");
    if (!proxy.empty()) proxies.push_back(proxy);
  }
  return proxies;
}

bool BypassListMatches(std::string_view list, std::string_view host, std::string_view port) {
  for (std::string_view entry : Entries(list, "; \t")) {
    if (EqualsIgnoringAsciiCase(entry, "<local>")) {
      if (host.find('.') == std::string_view::npos) return true;
      continue;
    }
    entry = WithoutScheme(entry);
    const std::size_t colon = entry.rfind(':');
    if (colon != std::string_view::npos && entry.find(']', colon) == std::string_view::npos) {
      if (entry.substr(colon + 1) != port) continue;
      entry = entry.substr(0, colon);
    }
    if (Matches(entry, host)) return true;
  }
  return false;
}

bool NoProxyMatches(std::string_view noProxy, std::string_view host) {
  for (std::string_view entry : Entries(noProxy, ", \t")) {
    if (entry == "*") return true;
    if (entry.front() == '.') entry.remove_prefix(1);
    if (entry.empty() || entry.size() > host.size()) continue;
    const std::string_view tail = host.substr(host.size() - entry.size());
    const bool under = host.size() == entry.size() || host[host.size() - entry.size() - 1] == '.';
    if (under && EqualsIgnoringAsciiCase(tail, entry)) return true;
  }
  return false;
}

std::string ProxyHostPort(std::string_view setting, std::string_view defaultPort) {
  std::string_view rest = WithoutScheme(setting);
  rest = rest.substr(0, std::min(rest.find('/'), rest.size()));
  if (rest.empty() || rest.find('@') != std::string_view::npos) return std::string();
  const std::size_t bracket = rest.rfind(']');
  const std::size_t colon = rest.rfind(':');
  const bool hasPort =
      colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket);
  if (hasPort && colon == 0) return std::string();
  return hasPort ? std::string(rest) : std::string(rest) + ":" + std::string(defaultPort);
}

}  // namespace j6::platform
