// The name of this machine, as it greets a mail server.
#pragma once

#include <string>

namespace j6::platform {

/// The machine's fully qualified domain name as the system knows it
/// (Windows: its DNS name with the primary suffix; elsewhere the canonical
/// name the resolver gives the host name). A machine without one gives its
/// bare name, or nothing.
std::string FullyQualifiedHostName();

}  // namespace j6::platform
