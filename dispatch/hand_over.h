// How a hand-over to the mail client ended.
#pragma once

namespace j6 {

/// The numbers are those the senders always returned.
enum class HandOver : int {
  kFailed = 0,      // the user gets the "Email not sent." box
  kHandedOver = 1,  // sent; in MailWait mode sent (or, on the Extended path, cancelled) by the user
};

}  // namespace j6
