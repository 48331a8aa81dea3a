// The netrc file's format, as curl reads it: the one parser of it, for every
// password the program reads off Windows.
#include "platform/ascii.h"
#include "platform/credentials.h"

namespace j6::platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

/// The quoted token that starts at `*at` (its quote), its escapes undone.
std::string QuotedToken(std::string_view text, std::size_t* at) {
  std::string token;
  for (++*at; *at < text.size() && text[*at] != '"'; ++*at) {
    char c = text[*at];
    if (c == '\\' && *at + 1 < text.size()) {
      c = text[++*at];
      c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
    token += c;
  }
  ++*at;
  return token;
}

/// The next token from `*at`; false at the end of the text.
bool NextToken(std::string_view text, std::size_t* at, std::string* token) {
  while (*at < text.size()) {
    if (IsBlank(text[*at])) {
      ++*at;
    } else if (text[*at] == '#') {
      *at = text.find('\n', *at);
      if (*at == std::string_view::npos) *at = text.size();
    } else {
      break;
    }
  }
  if (*at >= text.size()) return false;
  if (text[*at] == '"') {
    *token = QuotedToken(text, at);
    return true;
  }
  const std::size_t start = *at;
  while (*at < text.size() && !IsBlank(text[*at])) ++*at;
  *token = std::string(text.substr(start, *at - start));
  return true;
}

struct NetrcEntry {
  bool matches = false;
  bool hasPassword = false;
  std::string login, password;
};

}  // namespace

bool FindNetrcEntry(std::string_view text, std::string_view host, std::string_view login,
                    StoredCredential* found) {
  NetrcEntry entry;
  std::size_t at = 0;
  std::string token;
  const auto taken = [&] {
    if (!entry.matches || !entry.hasPassword || (!login.empty() && entry.login != login)) {
      return false;
    }
    found->user = entry.login;
    found->password = entry.password;
    return true;
  };
  while (NextToken(text, &at, &token)) {
    if (token == "machine" || token == "default") {
      if (taken()) return true;
      entry = NetrcEntry{};
      std::string machine;
      entry.matches = token == "default" ||
                      (NextToken(text, &at, &machine) && EqualsIgnoringAsciiCase(machine, host));
    } else if (token == "login") {
      NextToken(text, &at, &entry.login);
    } else if (token == "password") {
      entry.hasPassword = NextToken(text, &at, &entry.password);
    } else if (token == "account") {
      NextToken(text, &at, &token);
    } else if (token == "macdef") {
      // A macro's body runs to the next empty line.
      at = text.find("\n\n", at);
      if (at == std::string_view::npos) break;
    }
  }
  return taken();
}

namespace {

/// A token as the netrc file takes it: quoted, with escapes, when it holds
/// what would end or begin another.
std::string NetrcToken(std::string_view text) {
  if (!text.empty() && text.find_first_of(" \t\r\n\"\\#") == std::string_view::npos) {
    return std::string(text);
  }
  std::string token = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
      case '\\':
        token += '\\';
        token += c;
        break;
      case '\n':
        token += "\\n";
        break;
      case '\r':
        token += "\\r";
        break;
      case '\t':
        token += "\\t";
        break;
      default:
        token += c;
    }
  }
  return token + "\"";
}

}  // namespace

std::string NetrcWithEntry(std::string_view text, std::string_view host, std::string_view login,
                           std::string_view password) {
  // Each entry runs from its "machine" (or "default", or "macdef") to the
  // next one's; the one for host and login is taken out, the rest kept.
  std::string kept;
  std::size_t at = 0;
  std::size_t entryStart = 0;
  bool dropping = false;
  std::string machine;
  std::string entryLogin;
  std::string token;
  const auto endEntry = [&](std::size_t end) {
    if (!dropping || entryLogin != login) kept.append(text.substr(entryStart, end - entryStart));
  };
  while (NextToken(text, &at, &token)) {
    if (token == "machine" || token == "default" || token == "macdef") {
      const std::size_t tokenStart = at - token.size();
      endEntry(tokenStart);
      entryStart = tokenStart;
      entryLogin.clear();
      dropping = token == "machine" && NextToken(text, &at, &machine) &&
                 EqualsIgnoringAsciiCase(machine, host);
      if (token == "macdef") {
        at = text.find("\n\n", at);
        if (at == std::string_view::npos) at = text.size();
      }
    } else if (token == "login") {
      NextToken(text, &at, &entryLogin);
    }
  }
  endEntry(text.size());
  if (!kept.empty() && kept.back() != '\n') kept += '\n';
  return kept + "machine " + NetrcToken(host) + " login " + NetrcToken(login) + " password " +
         NetrcToken(password) + "\n";
}

}  // namespace j6::platform
