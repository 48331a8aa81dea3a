// Secrets the program obtains itself (the tokens of a sign-in), kept for the
// user who runs it and nobody else, one file a secret: on Windows in
// %LOCALAPPDATA%\J6Mailer\secrets\, encrypted for the current user with
// DPAPI; elsewhere in $J6MAILER_SECRETS, else
// $XDG_DATA_HOME/j6mailer/secrets (~/.local/share/...), a file of mode 0600
// in a folder of mode 0700. A secret is written to a temporary file and
// renamed, so a reader finds the old one or the new, never part of one; runs
// that replace a secret in turn (a refresh) serialise themselves with a
// NamedLock.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/lookup.h"

namespace j6::platform {

constexpr std::size_t kMaxSecretName = 100;

/// Whether `name` can name a secret: 1 to kMaxSecretName letters, digits,
/// "-", "_", "." and "%" (encode anything else), not ending in ".". Names
/// that differ only in the case of letters name one secret, as Windows'
/// file names do.
bool IsSecretName(std::string_view name);

/// Stores `secret` (any bytes) under `name`, replacing what was stored.
/// False, with the reason in `*error`, when it is not stored.
bool WriteSecret(const std::string& name, std::string_view secret, std::string* error);

/// A secret about to be replaced by something not yet obtained: its
/// temporary file is made first, so that a caller learns that the store
/// cannot take it before it asks for what it would store (a server that
/// rotates a refresh token revokes the old one as it answers). A pending
/// secret not committed leaves nothing behind.
class PendingSecret {
 public:
  PendingSecret() = default;
  ~PendingSecret();
  PendingSecret(const PendingSecret&) = delete;
  PendingSecret& operator=(const PendingSecret&) = delete;

  /// Makes the temporary file of `name`. False, with the reason in
  /// `*error`, when the store cannot take it; `folder()` names where it
  /// would be, when that is known.
  bool Begin(const std::string& name, std::string* error);
  /// Stores `secret` under the name Begin took, replacing what was stored.
  bool Commit(std::string_view secret, std::string* error);

  const std::string& folder() const { return folder_; }

 private:
  std::string name_, file_, temporary_, folder_;
};

/// The secret stored under `name`, into `*secret`.
Lookup ReadSecret(const std::string& name, std::string* secret, std::string* error);

/// Removes the secret; true when nothing is stored under the name
/// afterwards, also when nothing was.
bool DeleteSecret(const std::string& name, std::string* error);

/// The host path of the file that keeps the secret `name`, whether or not it
/// is stored (on Windows UTF-8); false, with the reason in `*error`, when
/// the name is refused or the store has no folder.
bool SecretFile(const std::string& name, std::string* path, std::string* error);

}  // namespace j6::platform
