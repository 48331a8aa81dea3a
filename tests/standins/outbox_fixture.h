// Tests of the mail stand-ins deliver into an outbox of their own, and find
// drive C: in their scratch folder too.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/scoped_env_posix.h"
#include "tests/support/temp_dir.h"

namespace j6::test {

class OutboxTest : public ::testing::Test {
 protected:
  /// Puts a file at C:\<relative> and returns that Windows path.
  std::string PutOnDriveC(const std::string& relative, const std::string& bytes) {
    const std::filesystem::path file = dir_.path() / "drives" / "c" / relative;
    std::filesystem::create_directories(file.parent_path());
    WriteFileBytes(file.string(), bytes);
    return "C:\\" + AsWindowsPath(relative);
  }
  /// Everything in the outbox folder, temporary files included.
  std::size_t OutboxEntries() const {
    std::error_code error;
    std::size_t count = 0;
    for (std::filesystem::directory_iterator it(outbox_, error), end; !error && it != end;
         it.increment(error)) {
      ++count;
    }
    return count;
  }

  TempDir dir_;
  const std::string outbox_ = dir_.File("outbox");
  const ScopedEnv outboxEnv_{"J6MAILER_OUTBOX", outbox_.c_str()};
  const ScopedEnv drivesEnv_{"J6MAILER_DRIVES", dir_.File("drives").c_str()};
};

}  // namespace j6::test
