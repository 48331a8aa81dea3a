// Windows half of platform/wipe.h.
#include <windows.h>

#include "platform/wipe.h"

namespace j6::platform {

void WipeBytes(void* data, std::size_t size) { SecureZeroMemory(data, size); }

}  // namespace j6::platform
