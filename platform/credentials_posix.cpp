// POSIX half of platform/credentials.h: the netrc file, read here, so that
// every password reaches the program (and from it curl) the same way.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "emulation/posix_path.h"
#include "platform/credentials.h"
#include "platform/wipe.h"

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
  Wipe(&text);
  return found ? Lookup::kFound : Lookup::kNone;
}

bool StoreCredential(const CredentialPlace& place, const std::string& secret, std::string* error) {
  const std::string path = NetrcFile();
  std::string text;
  std::FILE* existing = std::fopen(path.c_str(), "rb");
  if (existing == nullptr && errno != ENOENT) {
    *error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  if (existing != nullptr) {
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, existing)) > 0;) {
      text.append(buffer, got);
    }
    std::fclose(existing);
  }
  std::string written = NetrcWithEntry(text, place.host, place.login, secret);
  WipeBytes(text.data(), text.size());
  // Whole or not at all, and never readable by others, not even for a
  // moment: a file of its own beside it, then renamed over it.
  std::string temporary = path + ".tmp-XXXXXX";
  const int fd = mkstemp(temporary.data());
  bool stored = fd >= 0 && fchmod(fd, 0600) == 0;
  for (std::size_t done = 0; stored && done < written.size();) {
    const ssize_t n = write(fd, written.data() + done, written.size() - done);
    if (n <= 0) {
      stored = false;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  stored = stored && fsync(fd) == 0;
  if (fd >= 0 && close(fd) != 0) stored = false;
  stored = stored && std::rename(temporary.c_str(), path.c_str()) == 0;
  WipeBytes(written.data(), written.size());
  if (!stored) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    if (fd >= 0) unlink(temporary.c_str());
  }
  return stored;
}

std::string StoreCommand(const CredentialPlace& place) {
  return "the line \"machine " + place.host + " login " + place.login + " password <secret>\" in " +
         NetrcFile() + " (mode 600)";
}

std::string RemoveCommand(const CredentialPlace& place) {
  return "the netrc entry of " + place.host + " with login " + place.login;
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
