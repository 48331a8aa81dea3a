// Passwords the user stores for the program, never in the configuration
// file: the user's Credential Manager on Windows, a netrc file elsewhere.
// Every stored password (a server's login, an app's client secret) is read
// here alone.
#pragma once

#include <string>
#include <string_view>

#include "platform/lookup.h"

namespace j6::platform {

struct StoredCredential {
  std::string user;      // UTF-8
  std::string password;  // UTF-8
};

/// Where a password is stored, in the one store the platform has.
struct CredentialPlace {
  std::string target;  // Windows: the generic credential's name (ANSI text)
  std::string host;    // elsewhere: the netrc machine
  std::string login;   // elsewhere: the entry's login; empty: the machine's first entry
};

/// The password stored at `place`, and its user name. Windows: the generic
/// credential `target` of the user's Credential Manager (what `cmdkey
/// /generic:` stores), its user name and its UTF-16 password turned into
/// UTF-8 (kFailed for a blob that is not UTF-16 text). Elsewhere: the entry
/// of the netrc file (NetrcFile) for `host` (or its default entry) with
/// `login`, read as curl reads it.
Lookup ReadStoredCredential(const CredentialPlace& place, StoredCredential* credential,
                            std::string* error);

/// Off Windows the netrc file that holds the passwords: $J6MAILER_NETRC,
/// else ~/.netrc. Empty on Windows, where the Credential Manager holds them.
std::string NetrcFile();

/// Off Windows, whether the netrc file is there and users other than its
/// owner may read it. Never on Windows.
bool NetrcReadableByOthers();

/// The entry of netrc `text` for `host` (a machine, any case, or the default
/// entry) with the login `login` (empty: the first such entry, whose login
/// is then the user): tokens between blanks or in double quotes (with
/// backslash escapes), "#" comments, macdef bodies skipped. False when there is none
/// with a password.
bool FindNetrcEntry(std::string_view text, std::string_view host, std::string_view login,
                    StoredCredential* entry);

}  // namespace j6::platform
