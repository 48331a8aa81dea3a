#include "oauth/token_store.h"

#include <cstdio>

#include "platform/secret_store.h"

namespace j6::oauth {

namespace {

/// FNV-1a, 64 bits: the same on every platform and build.
std::uint64_t Digest(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  return hash;
}

}  // namespace

std::string TokenSecretName(const OAuthClient& client) {
  char name[32];
  std::snprintf(name, sizeof name, "oauth-%016llx",
                static_cast<unsigned long long>(Digest(client.storeKey)));
  return name;
}

platform::Lookup LoadTokens(const OAuthClient& client, Tokens* tokens, std::string* error) {
  std::string text;
  std::string why;
  switch (platform::ReadSecret(TokenSecretName(client), &text, &why)) {
    case platform::Lookup::kNone:
      return platform::Lookup::kNone;
    case platform::Lookup::kFailed:
      *error = "cannot read the stored tokens: " + why;
      return platform::Lookup::kFailed;
    case platform::Lookup::kFound:
      break;
  }
  if (!ParseTokens(text, tokens, error)) return platform::Lookup::kFailed;
  const bool ours = tokens->tokenUrl == client.tokenUrl && tokens->clientId == client.clientId;
  return ours ? platform::Lookup::kFound : platform::Lookup::kNone;
}

bool StoreTokens(const OAuthClient& client, const Tokens& tokens, std::string* error) {
  platform::PendingSecret pending;
  return BeginStoringTokens(client, &pending, error) &&
         FinishStoringTokens(&pending, tokens, error);
}

bool BeginStoringTokens(const OAuthClient& client, platform::PendingSecret* pending,
                        std::string* error) {
  std::string why;
  if (pending->Begin(TokenSecretName(client), &why)) return true;
  const std::string folder = pending->folder().empty() ? "the secrets' folder" : pending->folder();
  *error = "cannot store tokens in " + folder + ": " + why;
  return false;
}

bool FinishStoringTokens(platform::PendingSecret* pending, const Tokens& tokens,
                         std::string* error) {
  std::string why;
  if (pending->Commit(TokensText(tokens), &why)) return true;
  *error = "cannot store the tokens: " + why;
  return false;
}

bool LockTokens(const OAuthClient& client, std::uint32_t milliseconds, platform::NamedLock* lock,
                std::string* error) {
  if (lock->Open(TokenSecretName(client))) {
    switch (lock->Take(milliseconds)) {
      case platform::NamedLock::kTaken:
        return true;
      case platform::NamedLock::kBusy:
        *error =
            "another run kept the tokens locked for " + std::to_string(milliseconds / 1000) + " s";
        return false;
      case platform::NamedLock::kFailed:
        break;
    }
  }
  *error = "cannot lock the tokens: " + lock->error();
  return false;
}

}  // namespace j6::oauth
