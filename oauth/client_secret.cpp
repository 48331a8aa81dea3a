#include "oauth/client_secret.h"

#include <cstdio>
#include <memory>

#include "oauth/settings.h"
#include "platform/ascii.h"
#include "platform/credentials.h"
#include "platform/files.h"

namespace j6::oauth {

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

std::string ReadWholeFile(const std::string& path) {
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  const std::unique_ptr<std::FILE, Closer> file(platform::OpenFile(path, "rb"));
  std::string text;
  if (!file) return text;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
    text.append(buffer, got);
  }
  return text;
}

}  // namespace

bool NetrcPassword(std::string_view text, std::string_view host, std::string_view login,
                   std::string* password) {
  NetrcEntry entry;
  std::size_t at = 0;
  std::string token;
  const auto found = [&] {
    if (!entry.matches || !entry.hasPassword || entry.login != login) return false;
    *password = entry.password;
    return true;
  };
  while (NextToken(text, &at, &token)) {
    if (token == "machine" || token == "default") {
      if (found()) return true;
      entry = NetrcEntry{};
      std::string machine;
      entry.matches = token == "default" || (NextToken(text, &at, &machine) &&
                                             platform::EqualsIgnoringAsciiCase(machine, host));
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
  return found();
}

bool ReadClientSecret(const SmtpSettings& smtp, std::string* secret, bool* found,
                      std::string* error) {
  const std::string target = CredentialTarget(smtp);
  platform::StoredCredential credential;
  switch (platform::ReadStoredCredential(target, &credential)) {
    case platform::CredentialRead::kMalformed:
      *error = "the stored password of " + target + " is not as cmdkey stores it";
      return false;
    case platform::CredentialRead::kFound:
      *secret = credential.password;
      *found = true;
      for (char& c : credential.password) c = '\0';
      return true;
    case platform::CredentialRead::kNone:
      break;
  }
  // Off Windows the netrc file holds it; on Windows there is none.
  const std::string netrc = platform::NetrcFile();
  const std::string text = netrc.empty() ? std::string() : ReadWholeFile(netrc);
  *found = NetrcPassword(text, HostOf(smtp.server.view()), smtp.user.view(), secret);
  return true;
}

}  // namespace j6::oauth
