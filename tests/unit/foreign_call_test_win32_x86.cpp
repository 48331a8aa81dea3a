// 32-bit Windows only: a call through CallIgnoringConvention must leave the
// stack pointer where it was, whether the callee pops its arguments
// (__stdcall) or leaves them (__cdecl). A stack that drifts shows as a callee
// that finds its frame somewhere else on each of several calls in a row.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/foreign_call.h"

namespace j6::platform {
namespace {

std::vector<std::uintptr_t> frames;
std::string arguments;

void Note(void* frame, const std::string& args) {
  frames.push_back(reinterpret_cast<std::uintptr_t>(frame));
  arguments = args;
}

extern "C" __attribute__((stdcall, noinline)) int StdcallFour(const char* a, const char* b,
                                                              const char* c, std::int32_t d) {
  Note(__builtin_frame_address(0), std::string(a) + b + c + std::to_string(d));
  return 1;
}
extern "C" __attribute__((cdecl, noinline)) int CdeclFour(const char* a, const char* b,
                                                          const char* c, std::int32_t d) {
  Note(__builtin_frame_address(0), std::string(a) + b + c + std::to_string(d));
  return 1;
}
extern "C" __attribute__((stdcall, noinline)) int StdcallThree(const char* a, const char* b,
                                                               const char* c) {
  Note(__builtin_frame_address(0), std::string(a) + b + c);
  return 1;
}
extern "C" __attribute__((cdecl, noinline)) int CdeclThree(const char* a, const char* b,
                                                           const char* c) {
  Note(__builtin_frame_address(0), std::string(a) + b + c);
  return 1;
}

template <typename Function>
EntryPoint Entry(Function* function) {
  EntryPoint entry = nullptr;
  std::memcpy(&entry, &function, sizeof entry);
  return entry;
}

TEST(CallIgnoringConvention, LeavesTheStackAsItFoundIt) {
  const struct {
    const char* name;
    EntryPoint entry;
    bool withPort;
  } cases[] = {
      {"stdcall, four", Entry(&StdcallFour), true},
      {"cdecl, four", Entry(&CdeclFour), true},
      {"stdcall, three", Entry(&StdcallThree), false},
      {"cdecl, three", Entry(&CdeclThree), false},
  };
  for (const auto& c : cases) {
    frames.clear();
    arguments.clear();
    for (int i = 0; i < 4; ++i) {
      if (c.withPort) {
        CallIgnoringConvention(c.entry, "srv", "|remote", "|local", -8000);
      } else {
        CallIgnoringConvention(c.entry, "srv", "|remote", "|local");
      }
    }
    ASSERT_EQ(frames.size(), 4u) << c.name;
    EXPECT_EQ(frames[0], frames[3]) << c.name;
    EXPECT_EQ(arguments, c.withPort ? "srv|remote|local-8000" : "srv|remote|local") << c.name;
  }
}

}  // namespace
}  // namespace j6::platform
