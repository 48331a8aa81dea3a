// The way each HTTPS request of a run goes (the token endpoint, the sign-in's
// endpoints, Graph): through the proxy `[MAILCLIENT] PROXY=` names, or none
// with DIRECT, or, when it is empty, the desktop's (platform/desktop_proxy.h).
// Decided once per host and run, since finding it can take seconds (WPAD).
#pragma once

#include <string>
#include <string_view>

namespace j6 {

struct HttpsRoute {
  std::string proxies;  // the transport's entries (a login included), joined by ";"; empty: direct
  std::string line;  // "Proxy: <host:port> for <host>", "Proxy: none for <host>"; empty: no proxy
                     // is configured at all
  std::string note;  // a fallback the desktop's settings took, or a PROXY= that is no proxy
};

/// Whether PROXY= is a value the run takes: empty, DIRECT (any case) or
/// http://host[:port] without a user or password.
bool IsProxySetting(std::string_view setting);

/// The route to `url` under PROXY=`setting`; the first time for its host
/// it logs the line and the note, as the run log and the check show them.
HttpsRoute HttpsRouteFor(std::string_view setting, const std::string& url);

}  // namespace j6
