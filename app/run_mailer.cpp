#include "app/run_mailer.h"

#include <string>

#include "acquire/document_fetch.h"
#include "dispatch/compose.h"
#include "dispatch/extended_sender.h"
#include "dispatch/simple_sender.h"
#include "run/configuration.h"
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
  const HandOver sent =
      IsExtendedMapi(run.mapiMode.view()) ? SendExtended(run, wait) : SendSimple(run, wait);
  if (sent == HandOver::kFailed) {
    const FixedString<kMaxNotSentText> text("Email not sent.\n\nTo: " + recipients +
                                            "\nSubject: " + std::string(run.subject.view()) +
                                            "\n\n" + std::string(run.body.view()));
    ShowWarning(text.c_str());
  }
}

}  // namespace j6
