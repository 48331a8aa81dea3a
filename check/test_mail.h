// J6MailerCheck --test-mail <address>: one short mail with a small text
// attachment, handed over through the hand-over MAPI names as a run hands a
// request's mail over, the run log written as a run writes it. With
// --sign-in, the check program's other mode that acts; it needs no request.
#pragma once

#include <cstdio>
#include <string_view>

namespace j6::check {

/// Whether the command line asks for a test mail: "--test-mail", then the
/// address.
bool IsTestMail(std::string_view commandLine);

/// Sends the test mail from the mono-server sender settings to the
/// address(es) after "--test-mail", written as a request's recipient list;
/// prints on `out` the lines it added to the run log and the outcome. The
/// exit status: 0 when the mail was handed over, else 1.
int TestMail(std::string_view commandLine, std::FILE* out);

}  // namespace j6::check
