// Runs of one area never overlap. The host writes an area's next request as
// soon as the running one has taken its area file, and two runs of one area
// would fetch into the same local document while a mail client still reads
// it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/named_lock.h"
#include "run/run_state.h"

namespace j6 {

/// How long a run waits for the run of the same area before it gives up.
constexpr std::uint32_t kAreaWaitMilliseconds = kOtherRunWaitMilliseconds;

/// The lock of an area is named after its area file as the file system
/// names it: without the trailing blanks and dots Windows drops, in upper
/// case. Characters a lock name cannot hold are written as %XX.
std::string AreaLockName(std::string_view areaName);

/// Takes the area's lock into `lock`. A run that finds it held says so in
/// the log once and waits up to `waitMilliseconds`; false, after a log line,
/// when it is still held then or cannot be taken at all.
bool LockArea(std::string_view areaName, platform::NamedLock* lock, std::uint32_t waitMilliseconds);

}  // namespace j6
