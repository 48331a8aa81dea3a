// Identifiers of the running process and thread, as the run log shows them.
#pragma once

#include <cstdint>

namespace j6::platform {

std::uint32_t CurrentProcessId();
std::uint32_t CurrentThreadId();

}  // namespace j6::platform
