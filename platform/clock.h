// Local wall-clock time, as the run log stamps it, and UTC seconds, as
// token lifetimes are counted.
#pragma once

#include <cstdint>

namespace j6::platform {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int utcOffsetMinutes = 0;  // local time less UTC, as a mail's Date header gives it
};

/// The current local time (the time zone the user has set), to the millisecond.
LocalTime NowLocal();

/// Seconds since 1970-01-01 00:00 UTC.
std::int64_t NowUtcSeconds();

}  // namespace j6::platform
