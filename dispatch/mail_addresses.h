// The parties of a mail that goes to a server, not a mail client (SMTP,
// Graph): the sender (the route's FROM, else the host's "MailFromEmail") and
// its Reply-To, and the recipients, each an RFC 5321 mailbox. The routes share
// these rules; a mail client reads its pieces itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mail/address.h"
#include "run/run_state.h"

namespace j6 {

/// The sender's setting as written: `from` (the route's FROM) when it is
/// set, else the registry's "MailFromEmail".
std::string SenderSetting(const RunState& run, std::string_view from);

/// The host's "MailFromEmail" when the mail goes from another address
/// (`sender`, a FROM): replies still reach the host's. Empty when they are
/// the same, or there is none.
std::string ReplyAddress(const RunState& run, const std::string& sender);

/// The sender: SenderSetting read as a recipient piece is; false with what
/// is wrong ("no sender address").
bool ReadSender(const RunState& run, std::string_view from, std::string* sender,
                std::string* error);

/// The recipients of the split pieces (empty ones skipped): each read as
/// every hand-over reads it (mail::ReadRecipient), its address an RFC 5321
/// mailbox. False with the reason ("not an address: <piece>", "no
/// recipient") in `*error`.
bool ReadRecipients(const std::vector<char*>& pieces, std::vector<mail::Recipient>* recipients,
                    std::string* error);

}  // namespace j6
