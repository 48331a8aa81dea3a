// MAPI's buffer rules without MAPI: a buffer is made by Allocate, others hang
// off it by AllocateMore and go with it, and only a buffer from Allocate may
// be freed. The fake records every buffer, so a test sees leaks and breaches,
// and can make the Nth allocation fail.
#pragma once

#include <windows.h>

#include <mapidefs.h>

#include <map>
#include <vector>

#include "mapiex/message_rows_win32.h"

namespace j6::mapiex::test {

class FakeBuffers {
 public:
  /// Starts afresh: no buffers, no breaches, no failure planned.
  static void Reset();
  static Buffers Functions() { return Buffers{&Allocate, &AllocateMore, &Free}; }

  /// Allocations (of either kind) made so far.
  static int allocations();
  /// The allocation with this number (0 is the first) fails; -1: none does.
  static void FailAllocation(int number);
  /// Buffers not yet freed, of either kind.
  static size_t live();
  /// Calls against the rules: more for a buffer that is not one of Allocate's,
  /// a free of something else than one of Allocate's.
  static int breaches();
  /// True when the buffer came from Allocate and is live.
  static bool IsTop(const void* buffer);
  /// The buffer the given one hangs off, or null.
  static const void* ParentOf(const void* buffer);

  static SCODE WINAPI Allocate(ULONG size, LPVOID* buffer);
  static SCODE WINAPI AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer);
  static ULONG WINAPI Free(LPVOID buffer);

 private:
  struct Block {
    void* parent;
    std::vector<void*> children;
  };
  static SCODE Make(ULONG size, void* parent, LPVOID* buffer);

  static std::map<void*, Block> blocks_;
  static int allocations_;
  static int failAt_;
  static int breaches_;
};

}  // namespace j6::mapiex::test
