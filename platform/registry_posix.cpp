// Not written yet: every key is missing.
#include "platform/registry.h"

namespace j6::platform {

UserRegistryKey::~UserRegistryKey() { Close(); }
long UserRegistryKey::Open(const char* /*keyPath*/) { return kRegistryFileNotFound; }
long UserRegistryKey::Query(const char* /*valueName*/, std::uint32_t* /*type*/,
                            unsigned char* /*data*/, std::uint32_t* /*size*/) {
  return kRegistryFileNotFound;
}
long UserRegistryKey::Close() { return kRegistrySuccess; }

}  // namespace j6::platform
