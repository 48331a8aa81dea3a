// J6MailerCheck --sign-in: the one-time sign-in, with GRANT=REFRESH_TOKEN, of
// the user who runs J6Mailer. The only mode of the check program that
// changes anything, and it changes only the token store.
#pragma once

#include <cstdio>
#include <string_view>

namespace j6::check {

/// Whether the command line asks for the sign-in: "--sign-in", alone or
/// followed by "--device".
bool IsSignIn(std::string_view commandLine);

/// Signs in with the [SMTP] settings of J6MailerCfg.ini: in the browser
/// when AUTHORIZE_URL is set (the loopback flow), else, or with "--device",
/// with a code entered on any device (DEVICE_URL). Tells the user what to
/// do on `out`; the tokens go to the token store. The exit status: 0 when
/// signed in and stored, else 1, with the reason.
int SignIn(std::string_view commandLine, std::FILE* out);

}  // namespace j6::check
