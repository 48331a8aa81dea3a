// Tests of the mail stand-ins deliver into an outbox of their own, and find
// drive C: in their scratch folder too.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace j6::test {

/// Sets an environment variable (null: unsets it) and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    Put(value);
  }
  ~ScopedEnv() { Put(had_ ? old_.c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Put(const char* value) {
    if (value != nullptr) {
      setenv(name_.c_str(), value, 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  std::string name_;
  bool had_ = false;
  std::string old_;
};

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
