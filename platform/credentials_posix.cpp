// POSIX half of platform/credentials.h: the netrc file, read here, so that
// every password reaches the program (and from it curl) the same way.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/credentials.h"
#include "platform/posix_path.h"

namespace j6::platform {

Lookup ReadStoredCredential(const CredentialPlace& place, StoredCredential* credential,
                            std::string* error) {
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  const std::string path = NetrcFile();
  const std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    if (errno == ENOENT || errno == ENOTDIR) return Lookup::kNone;
    *error = "cannot read " + path + ": " + std::strerror(errno);
    return Lookup::kFailed;
  }
  std::string text;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
    text.append(buffer, got);
  }
  const bool found = FindNetrcEntry(text, place.host, place.login, credential);
  for (char& c : text) c = '\0';
  return found ? Lookup::kFound : Lookup::kNone;
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
