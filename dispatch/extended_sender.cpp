#include "dispatch/extended_sender.h"

#include <string>

#include "dispatch/attachment_name.h"
#include "dispatch/compose.h"
#include "dispatch/mapiex_classes.h"
#include "dispatch/recipients.h"
#include "mail/file_name.h"
#include "platform/files.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace j6 {

namespace {

constexpr unsigned int kStoreFlags = 0x201;
constexpr int kOutboxFlags = 1;
constexpr int kImportance = 2;
constexpr int kRecipientTo = 1;
constexpr int kFormSent = 1;
constexpr int kFormCancelled = 2;

/// Fills the created message and sends it or shows it; the outcome.
HandOver FillAndHandOver(RunState& run, CMAPIEx& session, CMAPIMessage& message, bool wait) {
  if (!run.senderName.empty()) {
    LogLine("Mail From: %s <%s>", run.senderName.c_str(), run.senderEmail.c_str());
    message.SetSenderName(run.senderName.c_str());
    message.SetSenderEmail(run.senderEmail.c_str());
  }
  LogLine("Send To: %s", run.recipients.c_str());
  if (!run.recipients.empty()) {
    for (const char* piece : SplitRecipients(run.recipients.data())) {
      message.AddRecipient(piece, kRecipientTo);
    }
  }
  LogLine("Subject: %s", run.subject.c_str());
  message.SetSubject(run.subject.c_str());
  if (!run.documentPath.empty() && !run.remoteDocumentPath.empty()) {
    const std::string name(mail::HostFileName(run.remoteDocumentPath.view()));
    LogLine("Add Attachment: %s [%s]", run.documentPath.c_str(), name.c_str());
    message.AddAttachment(platform::AbsolutePath(std::string(run.documentPath.view())).c_str(),
                          AttachmentDisplayName(run.remoteDocumentPath.view()).c_str());
  }
  if (!run.extraAttachmentPath.empty()) {
    LogLine("Add Attachment2: %s", run.extraAttachmentPath.c_str());
    message.AddAttachment(
        platform::AbsolutePath(std::string(run.extraAttachmentPath.view())).c_str(), nullptr);
  }
  LogBodyLine("Body: %s", BodyAsLogged(run).c_str());
  message.SetBody(run.body.c_str());

  if (wait) {
    // A cancel in the form is the user's choice, not a failure to report.
    const int shown = message.ShowForm(session);
    if (shown == kFormSent) {
      LogLine("MailWait Send Successfully");
      return HandOver::kHandedOver;
    }
    if (shown == kFormCancelled) {
      LogLine("MailWait User Cancel");
      return HandOver::kHandedOver;
    }
    LogLine("MailWait Error");
    return HandOver::kFailed;
  }
  if (message.Send()) {
    LogLine("Sent successfully");
    return HandOver::kHandedOver;
  }
  LogLine("Error: cannot send message!");
  return HandOver::kFailed;
}

}  // namespace

HandOver SendExtended(RunState& run, bool wait) {
  LogLine("Use MAPIEX mode (%d)", wait ? 1 : 0);
  platform::DynamicLibrary library;
  MapiExFunctions f{};
  if (!LoadMapiEx(&library, &f)) {
    LogLine("Error: failed to initialize MAPIEx");
    return HandOver::kFailed;
  }
  CMAPIEx session(f);
  if (!CMAPIEx::Init(f, kMapiExInitFlags) || !session.Login(nullptr) ||
      !session.OpenMessageStore(nullptr, kStoreFlags)) {
    LogLine("Error: failed to initialize MAPIEx");
    return HandOver::kFailed;
  }
  const char* profile = session.GetProfileName();
  LogLine("MAPIEx Profile Name: %s", profile != nullptr ? profile : "");

  HandOver outcome = HandOver::kFailed;
  if (!session.OpenOutbox(kOutboxFlags)) {
    LogLine("Error: Cannot open outbox!");
  } else {
    CMAPIMessage message(f);
    if (!message.Create(session, kImportance)) {
      LogLine("Error: Cannot create message!");
    } else {
      outcome = FillAndHandOver(run, session, message, wait);
    }
  }
  session.Logout();
  CMAPIEx::Term(f);
  return outcome;
}

}  // namespace j6
