#include "dispatch/extended_sender.h"

#include <memory>

#include "dispatch/mapiex_classes.h"
#include "dispatch/sender.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace j6 {

namespace {

constexpr SenderTraits kExtendedTraits = {
    "MAPIEX",
    "Add Attachment",
    "Add Attachment2",
    "Body",
    /*bodyFirst=*/false,
    /*documentNeedsServerPath=*/true,
    "MailWait Send Successfully",
    /*hasForm=*/true,
};

constexpr unsigned int kStoreFlags = 0x201;
constexpr int kOutboxFlags = 1;
constexpr int kImportance = 2;
constexpr int kRecipientTo = 1;
constexpr int kFormSent = 1;
constexpr int kFormCancelled = 2;

class ExtendedSender final : public Sender {
 public:
  ExtendedSender() = default;
  ExtendedSender(const ExtendedSender&) = delete;
  ExtendedSender& operator=(const ExtendedSender&) = delete;
  // The message goes first, then the session logs off; the library is freed
  // last.
  ~ExtendedSender() override {
    message_.reset();
    if (loggedOn_) {
      session_->Logout();
      CMAPIEx::Term(f_);
    }
  }

  const SenderTraits& traits() const override { return kExtendedTraits; }

  bool Open(const RunState& /*run*/) override {
    if (!LoadMapiEx(&library_, &f_)) return Failed("Error: failed to initialize MAPIEx");
    session_ = std::make_unique<CMAPIEx>(f_);
    if (!CMAPIEx::Init(f_, kMapiExInitFlags) || !session_->Login(nullptr) ||
        !session_->OpenMessageStore(nullptr, kStoreFlags)) {
      return Failed("Error: failed to initialize MAPIEx");
    }
    loggedOn_ = true;
    const char* profile = session_->GetProfileName();
    LogLine("MAPIEx Profile Name: %s", profile != nullptr ? profile : "");
    if (!session_->OpenOutbox(kOutboxFlags)) return Failed("Error: Cannot open outbox!");
    message_ = std::make_unique<CMAPIMessage>(f_);
    if (!message_->Create(*session_, kImportance)) return Failed("Error: Cannot create message!");
    return true;
  }

  // Each piece goes as split: the wrapper reads it (mail::ReadRecipient).
  bool Prepare(RunState& run, const MailParts& parts) override {
    if (!run.senderName.empty()) {
      message_->SetSenderName(run.senderName.c_str());
      message_->SetSenderEmail(run.senderEmail.c_str());
    }
    for (const char* piece : parts.recipients) message_->AddRecipient(piece, kRecipientTo);
    message_->SetSubject(run.subject.c_str());
    for (const MailAttachment& attachment : parts.attachments) {
      message_->AddAttachment(attachment.hostPath.c_str(),
                              attachment.displayName ? attachment.displayName->c_str() : nullptr);
    }
    message_->SetBody(run.body.c_str());
    return true;
  }

  HandOver Deliver(RunState& /*run*/, bool wait) override {
    if (wait) {
      // A cancel in the form is the user's choice, not a failure to report.
      const int shown = message_->ShowForm(*session_);
      if (shown == kFormSent) return HandOver::kHandedOver;
      if (shown == kFormCancelled) return HandOver::kCancelled;
      LogLine("MailWait Error");
      return HandOver::kFailed;
    }
    if (message_->Send()) return HandOver::kHandedOver;
    LogLine("Error: cannot send message!");
    return HandOver::kFailed;
  }

 private:
  static bool Failed(const char* line) {
    LogLine("%s", line);
    return false;
  }

  platform::DynamicLibrary library_;
  MapiExFunctions f_{};
  std::unique_ptr<CMAPIEx> session_;
  std::unique_ptr<CMAPIMessage> message_;
  bool loggedOn_ = false;
};

}  // namespace

HandOver SendExtended(RunState& run, bool wait) {
  ExtendedSender sender;
  return HandOverMail(run, wait, sender);
}

}  // namespace j6
