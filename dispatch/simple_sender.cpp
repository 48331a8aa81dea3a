#include "dispatch/simple_sender.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "dispatch/sender.h"
#include "mail/address.h"
#include "platform/dynamic_library.h"
#include "platform/simple_mapi_abi.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace j6 {

namespace {

constexpr SenderTraits kSimpleTraits = {
    "MAPI32",
    "Attachment1",
    "Attachment2",
    "Message",
    /*bodyFirst=*/true,
    /*documentNeedsServerPath=*/false,
    "MailWait Send successfully",
    /*hasForm=*/true,
};

constexpr mapi::ULONG kAppendPosition = 0xFFFFFFFF;

// What MAPISendMail is handed stays in place for the rest of the process, as
// a mail client may hold on to it. Every recipient goes: a list cut short
// would send the mail to some of its people while the log names them all.
mapi::MapiMessage message;
mapi::MapiRecipDesc originator;
std::vector<mapi::MapiRecipDesc> recipients;
mapi::MapiFileDesc files[2];
std::deque<std::string> texts;

char* Kept(std::string text) {
  texts.push_back(std::move(text));
  return texts.back().data();
}

char* SmtpAddress(std::string_view address) { return Kept("SMTP:" + std::string(address)); }

/// Whether the piece is an address alone, as the split left it: blanks and
/// tabs at its ends aside, what ReadRecipient makes of it.
bool IsPlainPiece(std::string_view piece, const mail::Recipient& read) {
  const std::size_t first = piece.find_first_not_of(" \t");
  const std::size_t last = piece.find_last_not_of(" \t");
  return read.name.empty() && first != std::string_view::npos &&
         piece.substr(first, last - first + 1) == read.address;
}

/// A piece as MAPI32 is handed it. A plain address piece is the name, and
/// "SMTP:" and the piece the address, as MAPI32 has always been handed it
/// (a blank after a separator included: the host's tools may rely on it);
/// "Name <address>" and "SMTP:address" are read as the other hand-overs read
/// them.
mapi::MapiRecipDesc Recipient(char* piece) {
  mapi::MapiRecipDesc recipient{};
  recipient.ulRecipClass = mapi::kMapiTo;
  recipient.lpszName = piece;
  const mail::Recipient read = mail::ReadRecipient(piece);
  if (IsPlainPiece(piece, read)) {
    if (std::strchr(piece, '@') != nullptr) recipient.lpszAddress = SmtpAddress(piece);
    return recipient;
  }
  recipient.lpszName = Kept(read.name.empty() ? read.address : read.name);
  if (read.address.find('@') != std::string::npos)
    recipient.lpszAddress = SmtpAddress(read.address);
  return recipient;
}

/// The result as the log prints it: a Windows long, 32-bit and signed.
long AsLong(mapi::ULONG result) { return static_cast<long>(static_cast<std::int32_t>(result)); }

class SimpleSender final : public Sender {
 public:
  const SenderTraits& traits() const override { return kSimpleTraits; }

  bool Open(const RunState& /*run*/) override {
    if (!library_.Load("MAPI32.DLL")) {
      LogLine("Impossibile caricare libreria MAPI32.dll!");
      return false;
    }
    send_ = reinterpret_cast<mapi::MapiSendMailFunction>(library_.Symbol("MAPISendMail"));
    if (send_ == nullptr) {
      LogLine("Impossibile trovare: MAPISendMail in MAPI32.dll!");
      return false;
    }
    return true;
  }

  bool Prepare(RunState& run, const MailParts& parts) override {
    // One hand-over a run: what an earlier call in this process handed over
    // is no longer anybody's.
    texts.clear();
    message = mapi::MapiMessage{};
    originator = mapi::MapiRecipDesc{};
    recipients.clear();
    for (auto& file : files) file = mapi::MapiFileDesc{};

    if (!run.senderName.empty()) {
      originator.ulRecipClass = mapi::kMapiOrig;
      originator.lpszName = run.senderName.data();
      originator.lpszAddress = SmtpAddress(run.senderEmail.view());
      message.lpOriginator = &originator;
    }
    for (char* piece : parts.recipients) recipients.push_back(Recipient(piece));
    message.nRecipCount = static_cast<mapi::ULONG>(recipients.size());
    message.lpRecips = recipients.empty() ? nullptr : recipients.data();
    message.lpszSubject = run.subject.data();
    message.lpszNoteText = run.body.data();
    AddFiles(parts);
    return true;
  }

  HandOver Deliver(RunState& /*run*/, bool wait) override {
    const mapi::FLAGS flags = wait ? mapi::kMapiLogonUi | mapi::kMapiDialog : mapi::kMapiLogonUi;
    const mapi::ULONG result = send_(0, 0, &message, flags, 0);
    if (result == mapi::kMapiSuccess) return HandOver::kHandedOver;
    if (!wait) {
      LogLine("Send MAPI Error : %ld", AsLong(result));
    } else if (result == mapi::kMapiUserAbort || result == mapi::kMapiUserCancel) {
      return HandOver::kCancelled;
    } else {
      LogLine("MailWait MAPI Error : %ld", AsLong(result));
    }
    return HandOver::kFailed;
  }

 private:
  // Without a document (network mode off) there is no entry for it: a
  // client refuses an attachment without a path.
  static void AddFiles(const MailParts& parts) {
    mapi::ULONG count = 0;
    for (const MailAttachment& attachment : parts.attachments) {
      if (count == 2) break;
      mapi::MapiFileDesc& file = files[count++];
      file.nPosition = kAppendPosition;
      file.lpszPathName = Kept(attachment.hostPath);
      if (attachment.displayName) file.lpszFileName = Kept(*attachment.displayName);
    }
    message.nFileCount = count;
    message.lpFiles = count > 0 ? files : nullptr;
  }

  platform::DynamicLibrary library_;
  mapi::MapiSendMailFunction send_ = nullptr;
};

}  // namespace

HandOver SendSimple(RunState& run, bool wait) {
  SimpleSender sender;
  return HandOverMail(run, wait, sender);
}

}  // namespace j6
