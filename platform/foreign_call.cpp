// Where there is one calling convention (64-bit Windows, Linux) a plain call
// through the right function type is enough.
#include "platform/foreign_call.h"

namespace j6::platform {

void CallIgnoringConvention(EntryPoint entry, const char* a, const char* b, const char* c) {
  using Three = int (*)(const char*, const char*, const char*);
  reinterpret_cast<Three>(entry)(a, b, c);
}

void CallIgnoringConvention(EntryPoint entry, const char* a, const char* b, const char* c,
                            std::int32_t d) {
  using Four = int (*)(const char*, const char*, const char*, std::int32_t);
  reinterpret_cast<Four>(entry)(a, b, c, d);
}

}  // namespace j6::platform
