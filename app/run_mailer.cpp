#include "app/run_mailer.h"

#include <string>

#include "acquire/document_fetch.h"
#include "dispatch/compose.h"
#include "dispatch/extended_sender.h"
#include "dispatch/simple_sender.h"
#include "dispatch/smtp_sender.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/warning.h"

namespace j6 {

namespace {

constexpr std::size_t kMaxNotSentText = 511;

using Send = HandOver (*)(RunState& run, bool wait);

Send SenderOf(HandOverKind kind) {
  switch (kind) {
    case HandOverKind::kSimple:
    case HandOverKind::kUnknown:
      return &SendSimple;
    case HandOverKind::kExtended:
      return &SendExtended;
    case HandOverKind::kSmtp:
      return &SendSmtp;
  }
  return &SendSimple;
}

}  // namespace

void ShowTransferError() { ShowWarning("Email non spedita: errore di trasferimento file da J6"); }

void RunMailer(RunState& run, std::string_view areaName) {
  if (AcquireRequest(run, areaName) != Acquisition::kReady) {
    LogLine("Errore di trasferimento del file da J6");
    ShowTransferError();
    return;
  }
  const bool wait = ComposeMail(run);
  // The senders split the recipient list in place; the user is shown it whole.
  const std::string recipients(run.recipients.view());
  if (SenderOf(run.handOver)(run, wait) == HandOver::kFailed) {
    const FixedString<kMaxNotSentText> text(
        "Email not sent.\n\n" + MailSummary(recipients, run.subject.view(), run.body.view()));
    ShowWarning(text.c_str());
  }
}

}  // namespace j6
