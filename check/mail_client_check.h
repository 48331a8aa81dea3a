// The default mail client, as the system's MAPI32.DLL finds it: the name in
// Software\Clients\Mail (the user's, else the machine's), and the MAPI
// library its key under HKEY_LOCAL_MACHINE names. That library is loaded
// into J6Mailer's process, so it must be built as J6Mailer is.
#pragma once

#include "check/library_check.h"
#include "check/report.h"

namespace j6::check {

/// `extendedMapi`: MAPI=EXTENDED, which needs the client's DLLPathEx; Simple
/// MAPI takes its DLLPath too. `standIns`: off Windows, where the mail
/// stand-ins need no mail client, a registry without one is in order; one
/// that names a client is checked as on Windows.
void CheckMailClient(const Program& program, bool extendedMapi, bool standIns, Report& report);

}  // namespace j6::check
