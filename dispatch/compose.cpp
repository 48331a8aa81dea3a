#include "dispatch/compose.h"

#include <string>

#include "platform/ascii.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/text.h"

namespace j6 {

namespace {
constexpr const char* kDefaultSubject = "Invio da J6";
constexpr const char* kDefaultBody = "Vedi documento allegato - See attached file.";
constexpr const char* kMailWaitMarker = "*MAILWT ";
}  // namespace

bool ComposeMail(RunState& run) {
  TrimTrailingSpaces(run.senderName);
  TrimTrailingSpaces(run.senderEmail);
  TrimTrailingSpaces(run.recipients);
  TrimTrailingSpaces(run.subject);
  TrimTrailingSpaces(run.extraAttachmentName);
  TrimTrailingSpaces(run.extraAttachmentPath);
  TrimTrailingSpaces(run.documentPath);
  TrimTrailingSpaces(run.remoteDocumentPath);
  TrimTrailingSpaces(run.bodyLine1);
  TrimTrailingSpaces(run.bodyLine2);
  TrimTrailingSpaces(run.bodyLine3);

  if (run.subject.empty()) run.subject.Assign(kDefaultSubject);

  run.body.Assign(JoinBodyLines(run.bodyLine1.view(), run.bodyLine2.view(), run.bodyLine3.view()));

  if (run.extraAttachmentName.empty()) {
    run.extraAttachmentPath.Clear();
  } else {
    // "?" is what an absent "GL_DirSys" gives: the name alone, then.
    if (run.extraAttachmentPath.view().substr(0, 1) == "?") {
      run.extraAttachmentPath.Clear();
    } else if (!run.extraAttachmentPath.empty() && run.extraAttachmentPath.view().back() != '\\') {
      run.extraAttachmentPath.Append("\\");
    }
    run.extraAttachmentPath.Append(run.extraAttachmentName.view());
  }

  const std::string_view device = run.record.Field(AreaRecord::kOutputDevice);
  const std::string shown(device.substr(0, device.find('\0')));
  LogLine("Stringa MailWait %-8.8s", shown.c_str());
  return platform::EqualsIgnoringAsciiCase(device, kMailWaitMarker);
}

std::string JoinBodyLines(std::string_view line1, std::string_view line2, std::string_view line3) {
  std::string body(line1);
  for (const std::string_view line : {line2, line3}) {
    if (!line.empty()) body.append("\n").append(line);
  }
  return body.empty() ? std::string(kDefaultBody) : body;
}

std::string BodyAsLogged(const RunState& run) {
  const std::string_view lines[] = {run.bodyLine1.view(), run.bodyLine2.view(),
                                    run.bodyLine3.view()};
  // A body that is not the lines' (set by other means) has no joining line
  // feeds to keep.
  if (JoinBodyLines(lines[0], lines[1], lines[2]) != run.body.view()) {
    return ShowLineBreaks(run.body.view());
  }
  return JoinBodyLines(ShowLineBreaks(lines[0]), ShowLineBreaks(lines[1]),
                       ShowLineBreaks(lines[2]));
}

}  // namespace j6
