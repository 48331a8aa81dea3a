// Windows half of platform/tls_authorities.h: Schannel's store, or under Wine
// the host's bundle.
#include "platform/tls_authorities.h"

#include <windows.h>

#include "platform/files.h"

namespace j6::platform {

namespace {

constexpr char kHostBundle[] = ":\\etc\\ssl\\certs\\ca-certificates.crt";

/// The host's bundle through the first drive that reaches it, Z: (Wine's
/// drive of /) first.
std::string HostBundle() {
  const DWORD drives = GetLogicalDrives();
  for (int i = 25; i >= 0; --i) {
    if ((drives & (1u << i)) == 0) continue;
    std::string path = std::string(1, static_cast<char>('A' + i)) + kHostBundle;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return path;
    }
  }
  return std::string();
}

}  // namespace

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool AuthorityFile(std::string_view setting, std::string* path, std::string* error) {
  if (!setting.empty()) {
    *path = FileSystemPath(std::string(setting));
    return true;
  }
  path->clear();
  if (!UnderWine()) return true;
  static const std::string bundle = HostBundle();
  if (!bundle.empty()) {
    *path = bundle;
    return true;
  }
  *error = std::string("J6Mailer runs under Wine, whose TLS checks no certificate, and finds no ") +
           "authorities of the host system (Z" + kHostBundle + "): set CAFILE";
  return false;
}

}  // namespace j6::platform
