// Replacing entries of the outside table (platform/outside.h) for one test.
#pragma once

#include "platform/outside.h"

namespace j6::test {

/// Every entry is put back when it goes.
class ScopedOutside {
 public:
  ScopedOutside() : saved_(platform::TheOutside()) {}
  ~ScopedOutside() { platform::TheOutside() = saved_; }
  ScopedOutside(const ScopedOutside&) = delete;
  ScopedOutside& operator=(const ScopedOutside&) = delete;

  platform::Outside* operator->() { return &platform::TheOutside(); }

 private:
  platform::Outside saved_;
};

}  // namespace j6::test
