// J6MailerCheck --store-secret: the one secret the configuration needs (the
// SMTP server's password, or the OAuth client's secret), stored where a run
// looks it up, for scripts that deploy desktops and desktops without cmdkey.
#pragma once

#include <cstdio>
#include <string_view>

namespace j6::check {

/// Whether the command line is "--store-secret".
bool IsStoreSecret(std::string_view commandLine);

/// Reads the secret (at the console without showing it, else one line of
/// standard input) and stores it; says where on `out`, never the secret.
/// The exit status: 0 when it was stored, else 1, with the reason.
int StoreSecret(std::FILE* out);

}  // namespace j6::check
