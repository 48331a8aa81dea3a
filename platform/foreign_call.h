// Calling an entry point of a library whose calling convention is not known.
#pragma once

#include <cstdint>

#include "platform/dynamic_library.h"

namespace j6::platform {

/// Calls `entry` with the given 32-bit or pointer-sized arguments, in order,
/// and ignores its result. A host library may export its function as
/// __cdecl or as __stdcall; on 32-bit Windows the two differ in who takes
/// the arguments off the stack, and the call survives either because the
/// stack pointer is put back from a saved copy afterwards.
void CallIgnoringConvention(EntryPoint entry, const char* a, const char* b, const char* c);
void CallIgnoringConvention(EntryPoint entry, const char* a, const char* b, const char* c,
                            std::int32_t d);

}  // namespace j6::platform
