// The password of the mail server, which is never in the configuration
// file: the user's Credential Manager on Windows, a netrc file elsewhere.
#pragma once

#include <string>

namespace j6::platform {

struct StoredCredential {
  std::string user;      // UTF-8
  std::string password;  // UTF-8
};

enum class CredentialRead {
  kNone,  // nothing stored under the name
  kFound,
  kMalformed  // a password that is not UTF-16 text, as cmdkey stores it
};

/// Windows: the generic credential named `target` (ANSI text) of the user's
/// Credential Manager (what `cmdkey /generic:` stores), its user name and its
/// UTF-16 password turned into UTF-8. Off Windows there is no such store:
/// always kNone.
CredentialRead ReadStoredCredential(const std::string& target, StoredCredential* credential);

/// Off Windows the netrc file that holds the server's password:
/// $J6MAILER_NETRC, else ~/.netrc. Empty on Windows, where the Credential
/// Manager holds it.
std::string NetrcFile();

/// Off Windows, whether the netrc file is there and users other than its
/// owner may read it. Never on Windows.
bool NetrcReadableByOthers();

}  // namespace j6::platform
