#include "platform/desktop_proxy.h"

#include <cstdlib>

#include "platform/proxy_lists.h"

namespace j6::platform {

namespace {

/// The first of the variables that is set, lower case first as curl reads
/// them.
std::string FirstSet(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return std::string();
}

}  // namespace

DesktopProxy DesktopProxyFor(const std::string& /*url*/, const std::string& host) {
  DesktopProxy answer;
  const std::string setting = FirstSet({"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"});
  if (setting.empty()) return answer;
  answer.configured = true;
  if (NoProxyMatches(FirstSet({"no_proxy", "NO_PROXY"}), host)) return answer;
  // As curl would take it: its scheme, its default port, its login.
  const std::string proxy = ProxyOfVariable(setting);
  if (proxy.empty()) {
    answer.note = "https_proxy names no proxy host, or a scheme curl takes for no proxy: direct";
  } else {
    answer.proxies.push_back(proxy);
  }
  return answer;
}

}  // namespace j6::platform
