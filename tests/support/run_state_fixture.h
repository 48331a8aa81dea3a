// Tests that work on a run's state get a fresh one, no log until they ask
// for one, and a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include "run/run_log.h"
#include "run/run_state.h"
#include "tests/support/temp_dir.h"

namespace j6::test {

class RunStateTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRunLogFile(""); }
  void TearDown() override { SetRunLogFile(""); }
  /// The run logs to run.log in the scratch folder, as the entry sets it up.
  void LogToScratch() {
    run_.logFilePath.Assign(dir_.File("run.log"));
    SetRunLogFile(run_.logFilePath.view());
  }
  TempDir dir_;
  RunState run_;
};

}  // namespace j6::test
