// The password of the mail server, which is never in the configuration
// file: the user's Credential Manager on Windows, a netrc file elsewhere.
#pragma once

#include <string>

namespace j6::platform {

struct StoredCredential {
  std::string user;
  std::string password;  // UTF-8
};

/// Windows: the generic credential named `target` of the user's Credential
/// Manager (what `cmdkey /generic:` stores), its password turned from
/// UTF-16 into UTF-8. False when there is none. Off Windows there is no such
/// store: always false.
bool ReadStoredCredential(const std::string& target, StoredCredential* credential);

/// Off Windows the netrc file that holds the server's password:
/// $J6MAILER_NETRC, else ~/.netrc. Empty on Windows, where the Credential
/// Manager holds it.
std::string NetrcFile();

}  // namespace j6::platform
