// Where the desktop sends an HTTPS request: the proxy its settings name for
// a URL. Windows: the current user's Internet settings, as WinHTTP reads
// them (a fixed proxy and its bypass list, a configuration script, or
// automatic detection). Elsewhere: the environment variables curl reads.
#pragma once

#include <string>
#include <vector>

namespace j6::platform {

struct DesktopProxy {
  // In the order to try, as the transport takes them: "host:port",
  // "DIRECT", or a proxy's URL with its scheme and login; empty: direct.
  std::vector<std::string> proxies;
  bool configured = false;  // the settings name some proxy, whether or not for this URL
  std::string note;         // a fallback taken ("the script ... could not be used: ...")
};

/// The proxies for `url` (an https:// URL whose host is `host`).
DesktopProxy DesktopProxyFor(const std::string& url, const std::string& host);

}  // namespace j6::platform
