// POSIX half of platform/credentials.h: no credential store; the netrc file,
// which libcurl reads itself.
#include <sys/stat.h>

#include "platform/credentials.h"
#include "platform/posix_path.h"

namespace j6::platform {

CredentialRead ReadStoredCredential(const std::string& /*target*/,
                                    StoredCredential* /*credential*/) {
  return CredentialRead::kNone;
}

std::string NetrcFile() {
  const std::string chosen = EnvironmentText("J6MAILER_NETRC");
  return chosen.empty() ? HomeDirectory() + "/.netrc" : chosen;
}

bool NetrcReadableByOthers() {
  struct stat status {};
  return stat(NetrcFile().c_str(), &status) == 0 && (status.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

}  // namespace j6::platform
