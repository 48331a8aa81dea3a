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

/// Stores `secret` (UTF-8) at `place` with `place.login` as its user name,
/// where ReadStoredCredential finds it. Windows: the generic credential
/// `target` (CredWriteW, its blob the UTF-16 text without a terminating
/// zero, as cmdkey stores it, kept on this machine for this user).
/// Elsewhere: the netrc file's entry for `host` with `login`, replacing one
/// that was there, the file's other lines kept, its mode 0600. False with
/// the reason.
bool StoreCredential(const CredentialPlace& place, const std::string& secret, std::string* error);

/// How the credential at `place` is stored by hand: Windows' cmdkey
/// command (which asks for the secret), or the netrc line elsewhere.
std::string StoreCommand(const CredentialPlace& place);

/// How the credential at `place` is removed by hand.
std::string RemoveCommand(const CredentialPlace& place);

/// Netrc `text` with the entry for `host` and `login` (replaced where it
/// was, else added at its end), every other entry and line as it was.
std::string NetrcWithEntry(std::string_view text, std::string_view host, std::string_view login,
                           std::string_view password);

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
