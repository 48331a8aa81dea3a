// POSIX half of platform/process_ids.h: getpid and the kernel's thread id,
// which is what a tool such as ps or top shows beside the log.
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/process_ids.h"

namespace j6::platform {

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(getpid()); }
std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(syscall(SYS_gettid)); }

}  // namespace j6::platform
