#include "oauth/client_secret.h"

#include "oauth/settings.h"
#include "platform/credentials.h"
#include "platform/wipe.h"
#include "run/run_state.h"

namespace j6::oauth {

platform::CredentialPlace ClientSecretPlace(const OAuthClient& client) {
  return {kCredentialPrefix + std::string("oauth:") + client.clientId, HostOf(client.tokenUrl),
          client.clientId};
}

platform::Lookup ReadClientSecret(const OAuthClient& client, std::string* secret,
                                  std::string* error) {
  platform::StoredCredential credential;
  const platform::Lookup read =
      platform::ReadStoredCredential(ClientSecretPlace(client), &credential, error);
  if (read == platform::Lookup::kFound) *secret = credential.password;
  platform::Wipe(&credential.password);
  return read;
}

bool SecretInFormerPlace(const OAuthClient& client, std::string* text) {
  if (client.formerSecret.target.empty()) return false;
  platform::StoredCredential credential;
  std::string ignored;
  const bool held = platform::ReadStoredCredential(client.formerSecret, &credential, &ignored) ==
                        platform::Lookup::kFound &&
                    !credential.password.empty();
  platform::Wipe(&credential.password);
  if (held) {
    *text = "the client secret is now stored as " + ClientSecretPlace(client).target +
            "; store it there (the password of " + client.formerSecret.target +
            " is no longer sent)";
  }
  return held;
}

std::string MoveAdvice(const OAuthClient& client) {
  return "store it with " + platform::StoreCommand(ClientSecretPlace(client)) +
         " (or J6MailerCheck --store-secret); the old copy may then be removed (" +
         platform::RemoveCommand(client.formerSecret) + ") unless it is the mailbox's password";
}

bool SecretFor(const OAuthClient& client, ClientSecret need, std::string* secret,
               std::string* error) {
  secret->clear();
  switch (ReadClientSecret(client, secret, error)) {
    case platform::Lookup::kFound:
      return true;
    case platform::Lookup::kFailed:
      return false;
    case platform::Lookup::kNone:
      break;
  }
  if (need == ClientSecret::kIfStored) return true;
  if (!SecretInFormerPlace(client, error)) {
    *error = "no client secret is stored as the password of " + ClientSecretPlace(client).target;
  }
  return false;
}

}  // namespace j6::oauth
