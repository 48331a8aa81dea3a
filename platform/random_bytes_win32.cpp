// Windows half of platform/random_bytes.h: BCryptGenRandom with the system's
// preferred generator.
#include <windows.h>
// <bcrypt.h> needs <windows.h> first.
#include <bcrypt.h>

#include <string>

#include "platform/random_bytes.h"

namespace j6::platform {

bool RandomBytes(std::size_t count, std::string* bytes, std::string* error) {
  bytes->assign(count, '\0');
  const NTSTATUS status =
      BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(bytes->data()), static_cast<ULONG>(count),
                      BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (status != 0) {
    *error = "no random bytes: BCryptGenRandom failed (" +
             std::to_string(static_cast<unsigned long>(status)) + ")";
    return false;
  }
  return true;
}

}  // namespace j6::platform
