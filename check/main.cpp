// The check program's entry: J6MailerCheck [AREA], a console program. The
// area is the rest of the command line, taken as J6Mailer takes it.
// J6MailerCheck --sign-in [--device] is the one-time OAuth 2.0 sign-in;
// J6MailerCheck --test-mail ADDRESS [AREA] sends a test mail;
// J6MailerCheck --store-secret stores the secret the configuration needs.
#include <cstdio>
#include <string>

#include "check/desktop_check.h"
#include "check/report.h"
#include "check/sign_in.h"
#include "check/store_secret.h"
#include "check/test_mail.h"
#include "platform/command_line.h"

namespace {

void Usage(const char* name, std::FILE* out) {
  std::fprintf(out,
               "usage: %s [AREA]\n       %s --sign-in [--device]\n"
               "       %s --test-mail ADDRESS [AREA]\n       %s --store-secret\n",
               name, name, name, name);
}

/// Whether an option stands anywhere in a line that is no mode's: a line
/// such as "A01 --test-mail x" is not an area's name.
bool HoldsOption(std::string_view line) {
  for (std::size_t at = 0; at < line.size(); ++at) {
    const bool wordStart = at == 0 || line[at - 1] == ' ' || line[at - 1] == '\t';
    if (wordStart && line.substr(at, 2) == "--") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string area(j6::platform::CommandLineRemainder(argc, argv));
  const char* name = argc > 0 ? argv[0] : "J6MailerCheck";
  if (area == "/?" || area == "-h" || area == "--help") {
    Usage(name, stdout);
    std::printf(
        "Checks what a run of J6Mailer for AREA would meet on this desktop, one line a\n"
        "check ([ok], [warn] or [fail]), and changes nothing but a refresh token that\n"
        "the token endpoint replaces. Without AREA, the mono-server settings. Exit\n"
        "status 1 when a check failed.\n"
        "--sign-in: the one-time sign-in of AUTH=OAUTH2 with GRANT=REFRESH_TOKEN, as\n"
        "the user who runs J6Mailer: in the browser (AUTHORIZE_URL), else or with\n"
        "--device with a code entered on any device (DEVICE_URL).\n"
        "--test-mail: sends a short mail with a small text attachment to ADDRESS\n"
        "through the hand-over MAPI names, as a run of AREA would (without AREA, with\n"
        "the mono-server settings), and shows the lines it added to the run log. Exit\n"
        "status 1 when it was not sent.\n"
        "--store-secret: stores the secret the configuration needs (the SMTP\n"
        "password of SERVER, or the client secret of CLIENT_ID) where J6Mailer looks\n"
        "for it, for the user who runs this; it is typed without being shown, or read\n"
        "from standard input.\n");
    return 0;
  }
  if (j6::check::IsSignIn(area)) return j6::check::SignIn(area, stdout);
  if (j6::check::IsTestMail(area)) return j6::check::TestMail(area, stdout);
  if (j6::check::IsStoreSecret(area)) return j6::check::StoreSecret(stdout);
  if (HoldsOption(area)) {
    Usage(name, stdout);
    return 2;
  }
  j6::check::Report report(stdout);
  j6::check::CheckDesktop(area, report);
  std::printf("%s\n", report.Summary().c_str());
  return report.failed() ? 1 : 0;
}
