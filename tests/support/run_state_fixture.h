// Tests that work on the process-wide run state start and end with a fresh
// one, and get a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include "run/run_state.h"
#include "tests/support/temp_dir.h"

namespace j6::test {

class RunStateTest : public ::testing::Test {
 protected:
  void SetUp() override { CurrentRun() = RunState{}; }
  void TearDown() override { CurrentRun() = RunState{}; }
  TempDir dir_;
};

}  // namespace j6::test
