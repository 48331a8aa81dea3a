// POSIX half of platform/wipe.h.
#include <string.h>

#include "platform/wipe.h"

namespace j6::platform {

void WipeBytes(void* data, std::size_t size) { explicit_bzero(data, size); }

}  // namespace j6::platform
