// The run log on Windows against a backup or viewer that locks it whole: the
// line waits about a second for the lock, then goes without it or is lost.
#include <windows.h>

#include <gtest/gtest.h>

#include <future>

#include "platform/files.h"
#include "tests/support/temp_dir.h"

TEST(RunLogFile, AnotherHolderOfTheWholeFileNeverHoldsTheRun) {
  const j6::test::TempDir dir;
  const std::string path = dir.File("run.log");
  const HANDLE holder = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  OVERLAPPED whole{};
  ASSERT_TRUE(LockFileEx(holder, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole));
  auto appended =
      std::async(std::launch::async, [&] { return j6::platform::AppendToFile(path, "x"); });
  EXPECT_EQ(appended.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  UnlockFileEx(holder, 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(holder);
}
