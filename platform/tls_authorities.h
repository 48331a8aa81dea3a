// The authorities a TLS connection trusts: the CAFILE a setting names, else
// the system's own. Under Wine the system's own are none: Wine's TLS leaves
// a certificate's chain to a check it does not make, so every certificate
// would pass. There the host system's bundle stands in.
#pragma once

#include <string>
#include <string_view>

namespace j6::platform {

/// The file of authorities for a CAFILE `setting` (a path in Windows form)
/// into `*path`, as the TLS library opens it; empty for an empty setting:
/// the system's authorities. Under Wine an empty setting is the host's
/// bundle (/etc/ssl/certs/ca-certificates.crt through a drive that maps /),
/// and false, with the reason, when there is none.
bool AuthorityFile(std::string_view setting, std::string* path, std::string* error);

/// Whether the program runs under Wine (Windows builds; never elsewhere).
bool UnderWine();

}  // namespace j6::platform
