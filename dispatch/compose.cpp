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

  run.body.Assign(run.bodyLine1.view());
  for (const auto* line : {&run.bodyLine2, &run.bodyLine3}) {
    if (line->empty()) continue;
    run.body.Append("\n");
    run.body.Append(line->view());
  }
  if (run.body.empty()) run.body.Assign(kDefaultBody);

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

}  // namespace j6
