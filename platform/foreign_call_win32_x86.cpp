// 32-bit Windows half of platform/foreign_call.h. The arguments are copied
// onto a 16-byte aligned stack block and the entry point is called; ESI, which
// both conventions leave as they found it, holds the stack pointer from
// before, and the stack pointer is set back from it after the call. So it
// does not matter whether the callee popped its arguments (__stdcall) or left
// them for the caller (__cdecl).
#include <cstdint>

#include "platform/foreign_call.h"

namespace j6::platform {

namespace {

template <int kCount>
void CallWithStackRestored(EntryPoint entry, const std::uint32_t (&args)[kCount]) {
  __asm__ volatile(
      "movl %%esp, %%esi\n\t"
      "subl %2, %%esp\n\t"
      "andl $-16, %%esp\n\t"
      "movl %2, %%ecx\n"
      "1:\n\t"
      "subl $4, %%ecx\n\t"
      "movl (%1,%%ecx), %%eax\n\t"
      "movl %%eax, (%%esp,%%ecx)\n\t"
      "jnz 1b\n\t"
      "call *%0\n\t"
      "movl %%esi, %%esp\n\t"
      :
      : "r"(entry), "r"(args), "i"(kCount * 4)
      : "eax", "ecx", "edx", "esi", "memory", "cc");
}

std::uint32_t Word(const char* text) { return reinterpret_cast<std::uintptr_t>(text); }

}  // namespace

void CallIgnoringConvention(EntryPoint entry, const char* a, const char* b, const char* c) {
  const std::uint32_t args[3] = {Word(a), Word(b), Word(c)};
  CallWithStackRestored(entry, args);
}

void CallIgnoringConvention(EntryPoint entry, const char* a, const char* b, const char* c,
                            std::int32_t d) {
  const std::uint32_t args[4] = {Word(a), Word(b), Word(c), static_cast<std::uint32_t>(d)};
  CallWithStackRestored(entry, args);
}

}  // namespace j6::platform
