#include "run/https_proxy.h"

#include <map>

#include "platform/ascii.h"
#include "platform/desktop_proxy.h"
#include "platform/proxy_lists.h"
#include "platform/url.h"
#include "run/run_log.h"

namespace j6 {

namespace {

HttpsRoute Decide(std::string_view setting, const std::string& url, const std::string& host) {
  HttpsRoute route;
  platform::DesktopProxy desktop;
  if (platform::EqualsIgnoringAsciiCase(setting, "DIRECT")) return route;
  if (!setting.empty()) {
    desktop.configured = true;
    // As the desktop's settings take a proxy without a port.
    desktop.proxies.push_back(platform::ProxyHostPort(setting, "80"));
  } else {
    desktop = platform::DesktopProxyFor(url, host);
  }
  route.note = desktop.note;
  std::string shown;
  for (const std::string& proxy : desktop.proxies) {
    route.proxies += (route.proxies.empty() ? "" : ";") + proxy;
    // A login the environment gives a proxy is never shown.
    shown += (shown.empty() ? "" : ";") + platform::ShownProxy(proxy);
  }
  if (!route.proxies.empty()) {
    route.line = "Proxy: " + shown + " for " + host;
  } else if (desktop.configured) {
    route.line = "Proxy: none for " + host;
  }
  return route;
}

}  // namespace

bool IsProxySetting(std::string_view setting) {
  if (setting.empty() || platform::EqualsIgnoringAsciiCase(setting, "DIRECT")) return true;
  const platform::Url url = platform::ReadUrl(setting);
  return url.scheme == "http" && !url.host.empty() && !url.holdsLogin;
}

HttpsRoute HttpsRouteFor(std::string_view setting, const std::string& url) {
  // One process is one run: its routes, by host.
  static std::map<std::string, HttpsRoute> decided;
  const std::string host = platform::ReadRequestUrl(url).host;
  const auto found = decided.find(host);
  if (found != decided.end()) return found->second;
  HttpsRoute route = Decide(setting, url, host);
  if (!route.note.empty()) LogLine("Proxy: %s", route.note.c_str());
  if (!route.line.empty()) LogLine("%s", route.line.c_str());
  decided.emplace(host, route);
  return route;
}

}  // namespace j6
