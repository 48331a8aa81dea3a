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

/// A pattern with "*" for any run of characters against `text`, case ignored.
bool Matches(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern[0] == '*') {
    for (std::size_t skip = 0; skip <= text.size(); ++skip) {
      if (Matches(pattern.substr(1), text.substr(skip))) return true;
    }
    return false;
  }
  return !text.empty() && AsciiLower(pattern[0]) == AsciiLower(text[0]) &&
         Matches(pattern.substr(1), text.substr(1));
}

/// An address literal ("192.0.2.5", "::1", "[::1]") as 16 bytes (IPv4 as
/// the last 4, `*bits` 32); false for a name.
bool ReadAddress(std::string_view text, unsigned char bytes[16], int* bits) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    text = text.substr(1, text.size() - 2);
  }
  for (int i = 0; i < 16; ++i) bytes[i] = 0;
  if (text.find(':') == std::string_view::npos) {
    int part = 0;
    int value = -1;
    for (const char c : text) {
      if (c == '.' && value >= 0 && part < 3) {
        bytes[12 + part++] = static_cast<unsigned char>(value);
        value = -1;
        continue;
      }
      if (c < '0' || c > '9') return false;
      value = (value < 0 ? 0 : value * 10) + (c - '0');
      if (value > 255) return false;
    }
    if (part != 3 || value < 0) return false;
    bytes[15] = static_cast<unsigned char>(value);
    *bits = 32;
    return true;
  }
  // IPv6: groups of up to four hex digits, one "::" for a run of zeros.
  unsigned groups[8] = {};
  int count = 0;
  int gap = -1;
  std::size_t at = 0;
  if (text.substr(0, 2) == "::") {
    gap = 0;
    at = 2;
  }
  while (at < text.size()) {
    unsigned value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && digits < 5; ++at, ++digits) {
      const char c = AsciiLower(text[at]);
      if (c >= '0' && c <= '9') {
        value = value * 16 + static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        value = value * 16 + static_cast<unsigned>(c - 'a' + 10);
      } else {
        break;
      }
    }
    if (digits == 0 || digits > 4 || count == 8) return false;
    groups[count++] = value;
    if (at == text.size()) break;
    if (text[at] != ':') return false;
    ++at;
    if (at < text.size() && text[at] == ':') {
      if (gap >= 0) return false;
      gap = count;
      ++at;
    } else if (at == text.size()) {
      return false;
    }
  }
  if (gap < 0 ? count != 8 : count > 7) return false;
  const std::size_t zeros = 8 - static_cast<std::size_t>(count);
  std::size_t out = 0;
  for (int i = 0; i < count; ++i, ++out) {
    if (i == gap) out += zeros;
    bytes[2 * out] = static_cast<unsigned char>(groups[i] >> 8);
    bytes[2 * out + 1] = static_cast<unsigned char>(groups[i] & 0xFF);
  }
  *bits = 128;
  return true;
}

/// Whether `host` is an address within the range "address/bits".
bool InRange(std::string_view range, std::string_view host) {
  const std::size_t slash = range.find('/');
  unsigned char network[16];
  unsigned char address[16];
  int size = 0;
  int hostSize = 0;
  if (!ReadAddress(range.substr(0, slash), network, &size) ||
      !ReadAddress(host, address, &hostSize) || size != hostSize) {
    return false;
  }
  int bits = 0;
  const std::string_view mask = range.substr(slash + 1);
  if (mask.empty() || mask.size() > 3) return false;
  for (const char c : mask) {
    if (c < '0' || c > '9') return false;
    bits = bits * 10 + (c - '0');
  }
  if (bits > size) return false;
  for (int bit = 128 - size; bit < 128 - size + bits; ++bit) {
    const unsigned char flag = static_cast<unsigned char>(0x80 >> (bit % 8));
    if ((network[bit / 8] & flag) != (address[bit / 8] & flag)) return false;
  }
  return true;
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
    // A script's answer may name the way without a proxy among its proxies.
    if (EqualsIgnoringAsciiCase(entry, "DIRECT")) {
      proxies.emplace_back("DIRECT");
      continue;
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
    const Url url = ReadUrl(entry);
    if (!url.port.empty() && url.port != port) continue;
    if (Matches(url.host, host)) return true;
  }
  return false;
}

bool NoProxyMatches(std::string_view noProxy, std::string_view host) {
  for (std::string_view entry : Entries(noProxy, ", \t")) {
    if (entry == "*") return true;
    if (entry.find('/') != std::string_view::npos) {
      if (InRange(entry, host)) return true;
      continue;
    }
    if (entry.front() == '.') entry.remove_prefix(1);
    if (entry.empty() || entry.size() > host.size()) continue;
    const std::string_view tail = host.substr(host.size() - entry.size());
    const bool under = host.size() == entry.size() || host[host.size() - entry.size() - 1] == '.';
    if (under && EqualsIgnoringAsciiCase(tail, entry)) return true;
  }
  return false;
}

std::string ProxyHostPort(std::string_view setting, std::string_view defaultPort) {
  const Url url = ReadUrl(setting);
  if (url.host.empty() || url.holdsLogin) return std::string();
  return url.host + ":" + (url.port.empty() ? std::string(defaultPort) : url.port);
}

std::string ProxyOfVariable(std::string_view value) {
  std::string scheme = "http";
  const std::size_t separator = value.find("://");
  if (separator != std::string_view::npos) {
    scheme.clear();
    for (const char c : value.substr(0, separator)) scheme += AsciiLower(c);
    value.remove_prefix(separator + 3);
  }
  std::string_view defaultPort = "1080";
  if (scheme == "https") {
    defaultPort = "443";
  } else if (scheme != "http" && scheme != "socks4" && scheme != "socks4a" && scheme != "socks5" &&
             scheme != "socks5h") {
    return std::string();
  }
  value = value.substr(0, std::min(value.find('/'), value.size()));
  const std::size_t at = value.rfind('@');
  const std::string_view login = at == std::string_view::npos ? "" : value.substr(0, at + 1);
  const std::string hostPort =
      ProxyHostPort(at == std::string_view::npos ? value : value.substr(at + 1), defaultPort);
  if (hostPort.empty()) return std::string();
  return scheme + "://" + std::string(login) + hostPort;
}

}  // namespace j6::platform
