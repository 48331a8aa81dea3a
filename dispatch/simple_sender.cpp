#include "dispatch/simple_sender.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "dispatch/attachment_name.h"
#include "dispatch/compose.h"
#include "dispatch/recipients.h"
#include "mail/file_name.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/simple_mapi_abi.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace j6 {

namespace {

constexpr mapi::ULONG kAppendPosition = 0xFFFFFFFF;

// What MAPISendMail is handed stays in place for the rest of the process, as
// a mail client may hold on to it. Every recipient goes: a list cut short
// would send the mail to some of its people while the log names them all.
mapi::MapiMessage message;
mapi::MapiRecipDesc originator;
std::vector<mapi::MapiRecipDesc> recipients;
mapi::MapiFileDesc files[2];
std::deque<std::string> addresses;
std::string documentName;
std::string documentFile;
std::string extraFile;

char* SmtpAddress(std::string_view address) {
  addresses.push_back("SMTP:" + std::string(address));
  return addresses.back().data();
}

/// The result as the log prints it: a Windows long, 32-bit and signed.
long AsLong(mapi::ULONG result) { return static_cast<long>(static_cast<std::int32_t>(result)); }

}  // namespace

HandOver SendSimple(RunState& run, bool wait) {
  LogLine("Use MAPI32 mode (%d)", wait ? 1 : 0);
  platform::DynamicLibrary library;
  if (!library.Load("MAPI32.DLL")) {
    LogLine("Impossibile caricare libreria MAPI32.dll!");
    return HandOver::kFailed;
  }
  const auto send = reinterpret_cast<mapi::MapiSendMailFunction>(library.Symbol("MAPISendMail"));
  if (send == nullptr) {
    LogLine("Impossibile trovare: MAPISendMail in MAPI32.dll!");
    return HandOver::kFailed;
  }

  // One hand-over a run: what an earlier call in this process handed over is
  // no longer anybody's.
  addresses.clear();
  message = mapi::MapiMessage{};
  originator = mapi::MapiRecipDesc{};
  recipients.clear();
  for (auto& file : files) file = mapi::MapiFileDesc{};

  if (!run.senderName.empty()) {
    LogLine("Mail From: %s <%s>", run.senderName.c_str(), run.senderEmail.c_str());
    originator.ulRecipClass = mapi::kMapiOrig;
    originator.lpszName = run.senderName.data();
    originator.lpszAddress = SmtpAddress(run.senderEmail.view());
    message.lpOriginator = &originator;
  }

  LogLine("Send To: %s", run.recipients.c_str());
  if (!run.recipients.empty()) {
    for (char* piece : SplitRecipients(run.recipients.data())) {
      mapi::MapiRecipDesc recipient{};
      recipient.ulRecipClass = mapi::kMapiTo;
      recipient.lpszName = piece;
      if (std::strchr(piece, '@') != nullptr) recipient.lpszAddress = SmtpAddress(piece);
      recipients.push_back(recipient);
    }
  }
  message.nRecipCount = static_cast<mapi::ULONG>(recipients.size());
  message.lpRecips = recipients.empty() ? nullptr : recipients.data();

  LogLine("Subject: %s", run.subject.c_str());
  message.lpszSubject = run.subject.data();
  LogBodyLine("Message: %s", BodyAsLogged(run).c_str());
  message.lpszNoteText = run.body.data();

  // Without a document (network mode off) there is no path to hand over, and
  // a client refuses an attachment without one.
  mapi::ULONG fileCount = 0;
  if (!run.documentPath.empty()) {
    const std::string name(mail::HostFileName(run.remoteDocumentPath.view()));
    LogLine("Attachment1: %s [%s]", run.documentPath.c_str(), name.c_str());
    documentName = AttachmentDisplayName(run.remoteDocumentPath.view());
    files[fileCount].nPosition = kAppendPosition;
    documentFile = platform::AbsolutePath(std::string(run.documentPath.view()));
    files[fileCount].lpszPathName = documentFile.data();
    files[fileCount].lpszFileName = documentName.data();
    ++fileCount;
  }
  if (!run.extraAttachmentPath.empty()) {
    LogLine("Attachment2: %s", run.extraAttachmentPath.c_str());
    files[fileCount].nPosition = kAppendPosition;
    extraFile = platform::AbsolutePath(std::string(run.extraAttachmentPath.view()));
    files[fileCount].lpszPathName = extraFile.data();
    ++fileCount;
  }
  message.nFileCount = fileCount;
  message.lpFiles = fileCount > 0 ? files : nullptr;

  const mapi::FLAGS flags = wait ? mapi::kMapiLogonUi | mapi::kMapiDialog : mapi::kMapiLogonUi;
  const mapi::ULONG result = send(0, 0, &message, flags, 0);
  if (wait) {
    if (result == mapi::kMapiSuccess) {
      LogLine("MailWait Send successfully");
      return HandOver::kHandedOver;
    }
    if (result == mapi::kMapiUserAbort || result == mapi::kMapiUserCancel) {
      LogLine("MailWait User Cancel");
    } else {
      LogLine("MailWait MAPI Error : %ld", AsLong(result));
    }
    return HandOver::kFailed;
  }
  if (result == mapi::kMapiSuccess) {
    LogLine("Sent successfully");
    return HandOver::kHandedOver;
  }
  LogLine("Send MAPI Error : %ld", AsLong(result));
  return HandOver::kFailed;
}

}  // namespace j6
