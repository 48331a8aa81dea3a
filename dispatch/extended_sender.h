// Handing the message to the mail client through the Extended wrapper.
#pragma once

namespace j6 {

/// Builds the message in the outbox the wrapper opens and sends it, or when
/// `wait` shows it in the client's form. 1 when sent, or in MailWait mode
/// sent or cancelled by the user; 0 otherwise.
int SendExtended(bool wait);

}  // namespace j6
