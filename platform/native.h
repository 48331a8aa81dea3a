// Inside platform/ only: the platform's own calls behind the table of
// outside.h, one for each of its rows, each defined by its service's _win32
// or _posix half.
#pragma once

#include "platform/outside.h"

namespace j6::platform::native {

#define J6_NATIVE_CALL(entry, Function, Result, Parameters, Arguments) Result Function Parameters;
J6_OUTSIDE_CALLS(J6_NATIVE_CALL)
#undef J6_NATIVE_CALL

}  // namespace j6::platform::native
