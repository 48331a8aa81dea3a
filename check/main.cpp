// The check program's entry: J6MailerCheck [AREA], a console program. The
// area is the rest of the command line, taken as J6Mailer takes it.
#include <cstdio>
#include <string>

#include "check/desktop_check.h"
#include "check/report.h"
#include "platform/command_line.h"

int main(int argc, char** argv) {
  const std::string area(j6::platform::CommandLineRemainder(argc, argv));
  if (area == "/?" || area == "-h" || area == "--help") {
    std::printf("usage: %s [AREA]\n", argc > 0 ? argv[0] : "J6MailerCheck");
    std::printf(
        "Checks what a run of J6Mailer for AREA would meet on this desktop, one line a\n"
        "check ([ok], [warn] or [fail]), and changes nothing. Without AREA, the\n"
        "mono-server settings. Exit status 1 when a check failed.\n");
    return 0;
  }
  j6::check::Report report(stdout);
  j6::check::CheckDesktop(area, report);
  std::printf("%s\n", report.Summary().c_str());
  return report.failed() ? 1 : 0;
}
