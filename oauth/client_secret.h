// The app's client secret, for a token endpoint that wants one: the stored
// password of the server, as for a password's sign-in. On Windows the
// generic credential J6Mailer:<SERVER> of the Credential Manager; elsewhere
// the netrc file's entry whose machine is SERVER's host and whose login is
// USER, as curl would read it for the server's login.
#pragma once

#include <string>
#include <string_view>

#include "run/run_state.h"

namespace j6::oauth {

/// The client secret into `*secret`; `*found` is false when none is stored.
/// False, with the reason, when the stored one cannot be read.
bool ReadClientSecret(const SmtpSettings& smtp, std::string* secret, bool* found,
                      std::string* error);

/// The password of the entry of netrc `text` for `host` (a machine, any
/// case, or the default entry) with the login `login`: tokens between
/// blanks or in double quotes (with \ escapes), "#" comments, macdef
/// bodies skipped. False when there is no such entry.
bool NetrcPassword(std::string_view text, std::string_view host, std::string_view login,
                   std::string* password);

}  // namespace j6::oauth
