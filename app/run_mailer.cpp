#include "app/run_mailer.h"

#include <string>

#include "acquire/document_fetch.h"
#include "dispatch/compose.h"
#include "dispatch/route.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/warning.h"

namespace j6 {

namespace {

constexpr std::size_t kMaxNotSentText = 511;

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
  const Route route = RouteOf(run.handOver);
  const HandOver outcome = route.send(run, wait);
  if (outcome == HandOver::kFailed || (outcome == HandOver::kCancelled && route.cancelIsNotSent)) {
    const FixedString<kMaxNotSentText> text(
        "Email not sent.\n\n" + MailSummary(recipients, run.subject.view(), run.body.view()));
    ShowWarning(text.c_str());
  } else if (outcome == HandOver::kMaybeSent) {
    // Not "not sent": the user would send it again, and it may be there.
    const FixedString<kMaxNotSentText> text(
        "Email may have been sent.\n\n" +
        MailSummary(recipients, run.subject.view(), run.body.view()));
    ShowWarning(text.c_str());
  }
}

}  // namespace j6
