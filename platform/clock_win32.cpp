// Windows half of platform/clock.h: GetLocalTime.
#include <windows.h>

#include "platform/clock.h"
#include "platform/native.h"

namespace j6::platform {

LocalTime native::NowLocal() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  LocalTime t;
  t.year = now.wYear;
  t.month = now.wMonth;
  t.day = now.wDay;
  t.hour = now.wHour;
  t.minute = now.wMinute;
  t.second = now.wSecond;
  t.millisecond = now.wMilliseconds;
  return t;
}

}  // namespace j6::platform
