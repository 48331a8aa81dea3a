// POSIX half of platform/clock.h: the real-time clock through localtime_r, so
// TZ is honoured.
#include <sys/time.h>
#include <time.h>

#include "platform/clock.h"
#include "platform/native.h"

namespace j6::platform {

LocalTime native::NowLocal() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  const time_t seconds = now.tv_sec;
  localtime_r(&seconds, &local);
  LocalTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  t.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  t.utcOffsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
  return t;
}

std::int64_t native::NowUtcSeconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec);
}

}  // namespace j6::platform
