// Handing the message to the mail client through Simple MAPI (MAPI32.DLL).
#pragma once

namespace j6 {

/// Sends the composed message at once or, when `wait`, opens it in the mail
/// client's form for the user. 1 when it was handed over (or sent by the
/// user), 0 otherwise, a cancel in the form included.
int SendSimple(bool wait);

}  // namespace j6
