// J6MailerCheck --test-mail <address> [<area>]: one short mail with a small text
// attachment, handed over through the hand-over MAPI names as a run hands a
// request's mail over, the run log written as a run writes it. With
// --sign-in, the check program's other mode that acts; it needs no request.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace j6::check {

/// Whether the command line asks for a test mail: "--test-mail", then the
/// address.
bool IsTestMail(std::string_view commandLine);

/// What follows "--test-mail": the address(es), written as a request's
/// recipient list, and the area, the last word, when there are more words
/// than one and the last holds no "@" (an area name has no blank, an
/// address list may).
struct TestMailLine {
  std::string address;
  std::string area;
};
TestMailLine ReadTestMailLine(std::string_view rest);

/// Sends the test mail from the area's sender settings (without an area,
/// the mono-server ones) to the address(es) after "--test-mail"; prints on
/// `out` the lines it added to the run log and the outcome. The exit
/// status: 0 when the mail was handed over, else 1.
int TestMail(std::string_view commandLine, std::FILE* out);

}  // namespace j6::check
