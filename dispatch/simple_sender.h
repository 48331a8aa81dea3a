// Handing the message to the mail client through Simple MAPI (MAPI32.DLL).
#pragma once

#include "dispatch/hand_over.h"
#include "run/run_state.h"

namespace j6 {

/// Sends the message ComposeMail made in `run` at once or, when `wait` (what
/// ComposeMail returned), opens it in the mail client's form for the user,
/// who may cancel it (kCancelled).
HandOver SendSimple(RunState& run, bool wait);

}  // namespace j6
