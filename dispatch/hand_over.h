// How a hand-over to the mail client ended.
#pragma once

namespace j6 {

/// The first two numbers are those the senders always returned. The run
/// driver picks the box from the outcome and the kind of hand-over.
enum class HandOver : int {
  kFailed = 0,      // not handed over: the user gets the "Email not sent." box
  kHandedOver = 1,  // sent; in MailWait mode sent by the user
  kCancelled = 2,   // MailWait mode: the user closed the form unsent, or answered No
  kMaybeSent = 3,   // the server may have it (no reply to its end): "Email may have been sent."
};

/// What a route's log says of kMaybeSent, before its advice of where to
/// look; the box says "Email may have been sent.".
inline constexpr char kMayHaveBeenSent[] = "the mail may have been sent";

}  // namespace j6
