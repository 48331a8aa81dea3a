#include "dispatch/sender.h"

#include <string>

#include "dispatch/compose.h"
#include "mail/attachment_name.h"
#include "mail/file_name.h"
#include "mail/recipients.h"
#include "platform/files.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/warning.h"

namespace j6 {

namespace {

constexpr std::size_t kMaxQuestionText = 511;

void LogBody(const RunState& run, const SenderTraits& traits) {
  LogBodyLine("%s: %s", traits.bodyLabel, BodyAsLogged(run).c_str());
}

/// Logs each attachment as the sender's traits name it, and lists it.
void ListAttachments(const RunState& run, const SenderTraits& traits, MailParts* parts) {
  const std::string document(run.documentPath.view());
  if (!document.empty() && (!traits.documentNeedsServerPath || !run.remoteDocumentPath.empty())) {
    const std::string name(mail::HostFileName(run.remoteDocumentPath.view()));
    LogLine("%s: %s [%s]", traits.documentLabel, document.c_str(), name.c_str());
    parts->attachments.push_back(
        MailAttachment{document, platform::AbsolutePath(document),
                       mail::AttachmentDisplayName(run.remoteDocumentPath.view())});
  }
  const std::string extra(run.extraAttachmentPath.view());
  if (!extra.empty()) {
    LogLine("%s: %s", traits.extraLabel, extra.c_str());
    parts->attachments.push_back(
        MailAttachment{extra, platform::AbsolutePath(extra), std::nullopt});
  }
}

/// Logs the mail's fields in the sender's order and takes its parts from
/// the run.
MailParts ListMail(RunState& run, const Sender& sender) {
  const SenderTraits& traits = sender.traits();
  MailParts parts;
  if (!run.senderName.empty()) {
    LogLine("Mail From: %s <%s>", run.senderName.c_str(), sender.SenderAddress(run).c_str());
  }
  // The question shows the list whole; the split cuts it in place.
  parts.list = std::string(run.recipients.view());
  LogLine("Send To: %s", run.recipients.c_str());
  parts.recipients = mail::SplitRecipients(run.recipients.data());
  LogLine("Subject: %s", run.subject.c_str());
  if (traits.bodyFirst) LogBody(run, traits);
  ListAttachments(run, traits, &parts);
  if (!traits.bodyFirst) LogBody(run, traits);
  return parts;
}

/// Without a compose form MailWait asks the user before anything goes.
bool UserSaysSend(const RunState& run, const MailParts& parts) {
  const FixedString<kMaxQuestionText> question(
      "Send this e-mail now?\n\n" + MailSummary(parts.list, run.subject.view(), run.body.view()));
  return AskQuestion(question.c_str());
}

void LogOutcome(HandOver outcome, bool wait, const SenderTraits& traits) {
  switch (outcome) {
    case HandOver::kHandedOver:
      LogLine("%s", wait ? traits.waitSentLine : "Sent successfully");
      break;
    case HandOver::kCancelled:
      LogLine("MailWait User Cancel");
      break;
    case HandOver::kFailed:
    case HandOver::kMaybeSent:
      break;  // the sender said why
  }
}

}  // namespace

HandOver HandOverMail(RunState& run, bool wait, Sender& sender) {
  const SenderTraits& traits = sender.traits();
  LogLine("Use %s mode (%d)", traits.mode, wait ? 1 : 0);
  if (!sender.Open(run)) return HandOver::kFailed;
  const MailParts parts = ListMail(run, sender);
  if (!sender.Prepare(run, parts)) return HandOver::kFailed;
  HandOver outcome = HandOver::kCancelled;
  if (!wait || traits.hasForm || UserSaysSend(run, parts)) outcome = sender.Deliver(run, wait);
  LogOutcome(outcome, wait, traits);
  return outcome;
}

}  // namespace j6
