// POSIX half of platform/host_name.h: gethostname, then the resolver's
// canonical name for it.
#include <netdb.h>
#include <unistd.h>

#include "platform/host_name.h"

namespace j6::platform {

std::string FullyQualifiedHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return std::string();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0) return name;
  std::string canonical = found->ai_canonname != nullptr ? found->ai_canonname : name;
  freeaddrinfo(found);
  return canonical;
}

}  // namespace j6::platform
