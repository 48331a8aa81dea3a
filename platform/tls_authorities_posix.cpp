// POSIX half of platform/tls_authorities.h: the TLS library's own store.
#include "platform/tls_authorities.h"

#include "platform/files.h"

namespace j6::platform {

bool AuthorityFile(std::string_view setting, std::string* path, std::string* /*error*/) {
  *path = setting.empty() ? std::string() : FileSystemPath(std::string(setting));
  return true;
}

bool UnderWine() { return false; }

}  // namespace j6::platform
