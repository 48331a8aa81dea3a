// The check program's entry: J6MailerCheck [AREA], a console program. The
// area is the rest of the command line, taken as J6Mailer takes it.
// J6MailerCheck --sign-in [--device] is the one-time OAuth 2.0 sign-in;
// J6MailerCheck --test-mail ADDRESS sends a test mail.
#include <cstdio>
#include <string>

#include "check/desktop_check.h"
#include "check/report.h"
#include "check/sign_in.h"
#include "check/test_mail.h"
#include "platform/command_line.h"

int main(int argc, char** argv) {
  const std::string area(j6::platform::CommandLineRemainder(argc, argv));
  if (area == "/?" || area == "-h" || area == "--help") {
    const char* name = argc > 0 ? argv[0] : "J6MailerCheck";
    std::printf("usage: %s [AREA]\n       %s --sign-in [--device]\n       %s --test-mail ADDRESS\n",
                name, name, name);
    std::printf(
        "Checks what a run of J6Mailer for AREA would meet on this desktop, one line a\n"
        "check ([ok], [warn] or [fail]), and changes nothing but a refresh token that\n"
        "the token endpoint replaces. Without AREA, the mono-server settings. Exit\n"
        "status 1 when a check failed.\n"
        "--sign-in: the one-time sign-in of AUTH=OAUTH2 with GRANT=REFRESH_TOKEN, as\n"
        "the user who runs J6Mailer: in the browser (AUTHORIZE_URL), else or with\n"
        "--device with a code entered on any device (DEVICE_URL).\n"
        "--test-mail: sends a short mail with a small text attachment to ADDRESS\n"
        "through the hand-over MAPI names, as a run would, and shows the lines it\n"
        "added to the run log. Exit status 1 when it was not sent.\n");
    return 0;
  }
  if (j6::check::IsSignIn(area)) return j6::check::SignIn(area, stdout);
  if (j6::check::IsTestMail(area)) return j6::check::TestMail(area, stdout);
  j6::check::Report report(stdout);
  j6::check::CheckDesktop(area, report);
  std::printf("%s\n", report.Summary().c_str());
  return report.failed() ? 1 : 0;
}
