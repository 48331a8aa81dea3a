#include "mail/address.h"

#include "mail/characters.h"
#include "platform/ascii.h"

namespace j6::mail {

namespace {

// RFC 5321 4.5.3.1.
constexpr std::size_t kMaxLocalPart = 64;
constexpr std::size_t kMaxDomain = 255;

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::string_view();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

/// Atoms joined by single dots.
bool IsDotAtom(std::string_view text) {
  if (text.empty() || text.front() == '.' || text.back() == '.') return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '.' ? text[i + 1] == '.' : !IsAtomText(text[i])) return false;
  }
  return true;
}

/// A sub-domain: letters, digits and hyphens, not beginning or ending with a
/// hyphen.
bool IsLabel(std::string_view text) {
  if (text.empty() || !IsLetterOrDigit(text.front()) || !IsLetterOrDigit(text.back())) {
    return false;
  }
  for (const char c : text) {
    if (!IsLetterOrDigit(c) && c != '-') return false;
  }
  return true;
}

bool IsDomainName(std::string_view text) {
  for (std::size_t start = 0;;) {
    const std::size_t dot = text.find('.', start);
    const std::string_view label = text.substr(start, dot - start);
    if (label.size() > 63 || !IsLabel(label)) return false;  // RFC 1035 2.3.4
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

bool IsIpv4(std::string_view text) {
  int parts = 0;
  for (std::size_t start = 0; start <= text.size(); ++parts) {
    std::size_t end = text.find('.', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view number = text.substr(start, end - start);
    if (number.empty() || number.size() > 3) return false;
    int value = 0;
    for (const char c : number) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    if (value > 255) return false;
    start = end + 1;
  }
  return parts == 4;
}

/// "[" an IPv4 address, or a tag ("IPv6"), ":" and printable ASCII but
/// brackets and backslash, "]".
bool IsAddressLiteral(std::string_view text) {
  if (text.size() < 3 || text.front() != '[' || text.back() != ']') return false;
  const std::string_view inside = text.substr(1, text.size() - 2);
  if (IsIpv4(inside)) return true;
  const std::size_t colon = inside.find(':');
  if (colon == std::string_view::npos || !IsLabel(inside.substr(0, colon)) ||
      colon + 1 == inside.size()) {
    return false;
  }
  for (const char c : inside.substr(colon + 1)) {
    if (c < '!' || c > '~' || c == '[' || c == '\\' || c == ']') return false;
  }
  return true;
}

}  // namespace

Recipient ReadRecipient(std::string_view piece) {
  Recipient recipient;
  const std::string_view whole = Trimmed(piece);
  const std::size_t open = whole.rfind('<');
  std::string_view address = whole;
  if (open != std::string_view::npos && !whole.empty() && whole.back() == '>') {
    address = Trimmed(whole.substr(open + 1, whole.size() - open - 2));
    std::string_view name = Trimmed(whole.substr(0, open));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
      name = name.substr(1, name.size() - 2);
    }
    recipient.name = std::string(name);
  }
  if (address.size() > 5 && platform::StartsWithIgnoringAsciiCase(address, "smtp:")) {
    address.remove_prefix(5);
  }
  recipient.address = std::string(address);
  return recipient;
}

bool IsMailbox(std::string_view text) {
  const std::size_t at = text.rfind('@');
  if (at > kMaxLocalPart) return false;  // npos too: no "@"
  return IsDotAtom(text.substr(0, at)) && IsMailDomain(text.substr(at + 1));
}

bool IsClientAddress(std::string_view text) {
  const std::size_t at = text.rfind('@');
  if (at == std::string_view::npos || at == 0 || at + 1 == text.size()) return false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') return false;
  }
  return true;
}

bool IsMailDomain(std::string_view text) {
  return !text.empty() && text.size() <= kMaxDomain &&
         (IsDomainName(text) || IsAddressLiteral(text));
}

}  // namespace j6::mail
