// The steps every hand-over shares, and what a sender adds to them. A new
// hand-over takes a class of this interface in a file of its own, a value of
// HandOverKind, its case in RouteOf (dispatch/route.h) and in the check program, the
// check of its settings beside dispatch/smtp_settings.h (one rule for both),
// rows in kConfigKeys, and, to sign in with OAuth, an OAuthClient filled from
// its section (the design notes list each place).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dispatch/hand_over.h"
#include "run/run_state.h"

namespace j6 {

/// What sets one hand-over's shared steps apart: its log texts and their
/// order, which the host's tools read and so never change, and whether
/// MailWait has a compose form.
struct SenderTraits {
  const char* mode;              // "Use <mode> mode (<MailWait>)"
  const char* documentLabel;     // "<label>: <path> [<server file name>]"
  const char* extraLabel;        // "<label>: <path>", the second attachment
  const char* bodyLabel;         // "<label>: <body>"
  bool bodyFirst;                // the body's line before the attachments' lines
  bool documentNeedsServerPath;  // no document without the server file it came from
  const char* waitSentLine;      // MailWait mode, sent by the user
  bool hasForm;                  // MailWait shows the client's form; without one the user is asked
};

/// An attachment as the shared step lists it.
struct MailAttachment {
  std::string path;      // as the run built it: what the log shows
  std::string hostPath;  // absolute against the start folder: what a client or file opens
  // The document's: the name a recipient saves it under. None for the
  // second attachment, which keeps its file's own.
  std::optional<std::string> displayName;
};

/// The parts of the mail the shared step takes from the run; the sender name,
/// subject and body stay in the run.
struct MailParts {
  std::string list;               // the recipient list whole, as the log and the question show it
  std::vector<char*> recipients;  // its pieces, split in place in the run (SplitRecipients)
  std::vector<MailAttachment> attachments;  // the document first
};

/// One way of handing the mail over. Each step that fails logs its own line
/// and leaves the outcome kFailed.
class Sender {
 public:
  virtual ~Sender() = default;
  virtual const SenderTraits& traits() const = 0;

  /// The address the "Mail From" line shows: the one the mail goes from.
  virtual std::string SenderAddress(const RunState& run) const {
    return std::string(run.senderEmail.view());
  }

  /// After the mode line, before the mail's lines: the way to the client or
  /// server, as far as it goes without the mail.
  virtual bool Open(const RunState& run) = 0;
  /// Takes the mail, once its lines are logged: everything that can fail
  /// before the user is asked.
  virtual bool Prepare(RunState& run, const MailParts& parts) = 0;
  /// Hands it over, in MailWait mode through the form when there is one.
  /// The shared step logs "Sent successfully" and its kin.
  virtual HandOver Deliver(RunState& run, bool wait) = 0;
};

/// The shared steps: the mode line, Open, the mail's lines in the sender's
/// order with the recipients split and the attachments listed, Prepare, the
/// MailWait question where there is no form, Deliver, and the line of the
/// outcome.
HandOver HandOverMail(RunState& run, bool wait, Sender& sender);

}  // namespace j6
