// Windows half of platform/clock.h: the system time turned into local time,
// so that the offset between them is that of the same moment.
#include <windows.h>

#include "platform/clock.h"
#include "platform/native.h"

namespace j6::platform {

LocalTime native::NowLocal() {
  FILETIME utc;
  GetSystemTimeAsFileTime(&utc);
  FILETIME local;
  SYSTEMTIME now;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &now)) {
    GetLocalTime(&now);
    local = utc;
  }
  const auto ticks = [](const FILETIME& time) {
    return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                                  time.dwLowDateTime);
  };
  LocalTime t;
  t.utcOffsetMinutes = static_cast<int>((ticks(local) - ticks(utc)) / 600000000LL);
  t.year = now.wYear;
  t.month = now.wMonth;
  t.day = now.wDay;
  t.hour = now.wHour;
  t.minute = now.wMinute;
  t.second = now.wSecond;
  t.millisecond = now.wMilliseconds;
  return t;
}

std::int64_t native::NowUtcSeconds() {
  FILETIME utc;
  GetSystemTimeAsFileTime(&utc);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
  // FILETIME counts 100 ns from 1601-01-01, 11,644,473,600 s before 1970.
  return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

}  // namespace j6::platform
