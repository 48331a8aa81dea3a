// POSIX half of platform/credentials.h: no credential store; the netrc file,
// which libcurl reads itself.
#include "platform/credentials.h"
#include "platform/posix_path.h"

namespace j6::platform {

bool ReadStoredCredential(const std::string& /*target*/, StoredCredential* /*credential*/) {
  return false;
}

std::string NetrcFile() {
  const std::string chosen = EnvironmentText("J6MAILER_NETRC");
  return chosen.empty() ? HomeDirectory() + "/.netrc" : chosen;
}

}  // namespace j6::platform
