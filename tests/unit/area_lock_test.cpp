#include "app/area_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "run/run_state.h"
#include "tests/support/environment.h"
#include "tests/support/log_lines.h"
#include "tests/support/run_state_fixture.h"

namespace j6 {
namespace {

// Named as the file system names the area file, so that two names of one
// file share one lock, and two files never do.
TEST(AreaLockName, IsTheAreaFilesNameInUpperCase) {
  const struct {
    std::string area;
    std::string lock;
  } cases[] = {
      {"A01", "area-A01"},
      {"a01", "area-A01"},
      {"A01  ", "area-A01"},
      {"A01. .", "area-A01"},
      {"\xE0z\xFF", "area-\xC0Z\x9F"},
      {std::string(29, 'n') + "X", "area-" + std::string(29, 'N')},
      {"A/B\\C:D", "area-A%2FB%5CC%3AD"},
      {"A B%", "area-A%20B%25"},
  };
  for (const auto& c : cases) EXPECT_EQ(AreaLockName(c.area), c.lock) << c.area;
}

class LockAreaTest : public test::RunStateTest {
 protected:
  void SetUp() override {
    test::RunStateTest::SetUp();
    // Off Windows the locks live here, away from the other tests' runs.
    test::SetEnvironment("XDG_RUNTIME_DIR", dir_.path().string());
    LogToScratch();
  }
  std::vector<std::string> Lines() const {
    return test::LogMessages(test::ReadFileBytes(dir_.File("run.log")));
  }
};

/// Holds the area's lock on a thread of its own (a mutex belongs to a
/// thread) until told to let go.
class Holder {
 public:
  explicit Holder(const std::string& area) {
    std::future<bool> tookIt = taken_.get_future();
    std::future<void> letGo = release_.get_future();
    thread_ = std::thread([this, area, letGo = std::move(letGo)] {
      platform::NamedLock lock;
      taken_.set_value(lock.Open(AreaLockName(area)) &&
                       lock.Take(0) == platform::NamedLock::kTaken);
      letGo.wait();
    });
    held_ = tookIt.get();
  }
  ~Holder() {
    Release();
    thread_.join();
  }
  void Release() {
    if (!released_) release_.set_value();
    released_ = true;
  }
  bool held() const { return held_; }

 private:
  std::promise<bool> taken_;
  std::promise<void> release_;
  std::thread thread_;
  bool held_ = false;
  bool released_ = false;
};

TEST_F(LockAreaTest, WaitsForTheRunOfTheSameAreaAndGivesUp) {
  Holder holder("LOCKTEST");
  ASSERT_TRUE(holder.held());
  {
    platform::NamedLock lock;
    EXPECT_FALSE(LockArea("locktest", &lock, 300));  // the same area file
  }
  {
    platform::NamedLock lock;
    EXPECT_TRUE(LockArea("LOCKTEST2", &lock, 0));  // another area never waits
  }
  EXPECT_EQ(Lines(), (std::vector<std::string>{"J6Mailer: waiting for the run of locktest",
                                               "J6Mailer: area locktest is busy"}));
}

TEST_F(LockAreaTest, TakesTheLockWhenTheOtherRunEnds) {
  Holder holder("LOCKTEST");
  ASSERT_TRUE(holder.held());
  std::thread releaser([&holder] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    holder.Release();
  });
  platform::NamedLock lock;
  const bool locked = LockArea("LOCKTEST", &lock, 20000);
  releaser.join();
  EXPECT_TRUE(locked);
  EXPECT_EQ(Lines(), std::vector<std::string>{"J6Mailer: waiting for the run of LOCKTEST"});
}

}  // namespace
}  // namespace j6
