// The run log on Windows, against another holder of the file.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace j6 {
namespace {

// A backup or a viewer that locks the log whole never holds a run: the line
// waits about a second for the lock, then goes without it or is lost.
TEST(RunLogFile, AnotherHolderOfTheWholeFileNeverHoldsTheRun) {
  const test::TempDir dir;
  const std::string path = dir.File("run.log");
  const HANDLE holder =
      CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  OVERLAPPED whole{};
  ASSERT_TRUE(LockFileEx(holder, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole));
  auto appended =
      std::async(std::launch::async, [&] { return platform::AppendToFile(path, "line\r\n"); });
  const bool returned = appended.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  UnlockFileEx(holder, 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(holder);
  EXPECT_TRUE(returned) << "the run waited on its log";
  appended.wait();
}

}  // namespace
}  // namespace j6
