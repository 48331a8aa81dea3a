// Windows half of platform/process_ids.h.
#include <windows.h>

#include "platform/process_ids.h"

namespace j6::platform {

std::uint32_t CurrentProcessId() { return GetCurrentProcessId(); }
std::uint32_t CurrentThreadId() { return GetCurrentThreadId(); }

}  // namespace j6::platform
