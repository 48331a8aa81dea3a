// Runs side by side, as the host starts them: the next request for an area
// is written as soon as the running one has taken its area file, and several
// areas may be mailed at the same moment. The test MAPI32 plays a mail
// client busy with its form: it reads the attachments only after a while.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/e2e/request_run.h"
#include "tests/support/digest.h"
#include "tests/support/environment.h"
#include "tests/support/log_lines.h"

namespace j6::test {
namespace {

const char kWaiting[] = "J6Mailer: waiting for the run of ";

/// Starts the program on `area` with a mail client that waits
/// `mapiWaitMilliseconds` before it reads the attachments, recording into
/// `record`.
void Start(const Scene& scene, RunningProgram* run, const std::string& area,
           const std::string& record, const std::string& mapiWaitMilliseconds) {
  scene.RecordMapiCallsIn(record);
  SetEnvironment("J6TEST_MAPI_WAIT_MS", mapiWaitMilliseconds);
  ASSERT_TRUE(run->Start(scene.program().folder().File(J6_PROGRAM_FILE_NAME), area,
                         scene.program().elsewhere().path().string()));
  SetEnvironment("J6TEST_MAPI_WAIT_MS", "");
}

/// Waits until the run's mail client has the message: the run holds its
/// area, and has taken (and deleted) its area file.
bool InMailClient(const Scene& scene, const std::string& record) {
  const std::string path = scene.program().folder().File(record);
  for (int i = 0; i < 600; ++i) {
    const std::vector<std::string> lines = FileLines(path);
    if (!lines.empty() && lines.front() == "waiting") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::vector<std::string> Contents(const Scene& scene, const std::string& record) {
  std::vector<std::string> contents;
  for (const std::string& line : FileLines(scene.program().folder().File(record))) {
    if (line.rfind("content ", 0) == 0) contents.push_back(line.substr(8));
  }
  return contents;
}

std::size_t CountLines(const Outcome& outcome, const std::string& head) {
  std::size_t count = 0;
  for (const std::string& line : outcome.lines) count += line.rfind(head, 0) == 0 ? 1 : 0;
  return count;
}

AreaRequest RequestFor(const char* document) {
  AreaRequest request;
  request.documentRef = std::string("..\\") + document;
  return request;
}

TEST(AreaRuns, BackToBackRunsOfOneAreaEachMailTheirOwnDocument) {
  World world;
  world.request = RequestFor("INV-1");
  const Scene scene(world);
  RunningProgram first;
  Start(scene, &first, "A01", "mapi1.txt", "3000");
  ASSERT_TRUE(InMailClient(scene, "mapi1.txt"));
  scene.WriteRequest("A01", RequestFor("INV-2"));
  RunningProgram second;
  Start(scene, &second, "A01", "mapi2.txt", "0");

  ChildResult result;
  ASSERT_TRUE(first.Wait(&result));
  EXPECT_EQ(result.boxes, "");
  ASSERT_TRUE(second.Wait(&result));
  EXPECT_EQ(result.boxes, "");
  // What each mail client read is the document its own request named.
  EXPECT_EQ(Contents(scene, "mapi1.txt"),
            std::vector<std::string>{Digest("document \\\\srv\\spool\\INV-1")});
  EXPECT_EQ(Contents(scene, "mapi2.txt"),
            std::vector<std::string>{Digest("document \\\\srv\\spool\\INV-2")});
  const Outcome outcome = scene.Report(result);
  EXPECT_EQ(CountLines(outcome, kWaiting), 1u);
  EXPECT_EQ(CountLines(outcome, "Sent successfully"), 2u);
}

TEST(AreaRuns, DifferentAreasDoNotWaitForEachOther) {
  World world;
  const Scene scene(world);
  scene.WriteRequest("A01X", RequestFor("INV-X"));  // under the same settings as A01
  RunningProgram slow;
  Start(scene, &slow, "A01", "mapi1.txt", "5000");
  ASSERT_TRUE(InMailClient(scene, "mapi1.txt"));
  RunningProgram quick;
  Start(scene, &quick, "A01X", "mapi2.txt", "0");
  ChildResult result;
  ASSERT_TRUE(quick.Wait(&result));
  EXPECT_TRUE(slow.Running());  // A01X went while A01 was still in its mail client
  EXPECT_EQ(Contents(scene, "mapi2.txt"),
            std::vector<std::string>{Digest("document \\\\srv\\spool\\INV-X")});
  ASSERT_TRUE(slow.Wait(&result));
  EXPECT_EQ(CountLines(scene.Report(result), kWaiting), 0u);
}

TEST(AreaRuns, ARunThatWasKilledDoesNotBlockTheNext) {
  World world;
  const Scene scene(world);
  {
    RunningProgram killed;
    Start(scene, &killed, "A01", "mapi1.txt", "60000");
    ASSERT_TRUE(InMailClient(scene, "mapi1.txt"));
    killed.Kill();
    ChildResult ignored;
    killed.Wait(&ignored);
  }
  scene.WriteRequest("A01", RequestFor("INV-2"));
  scene.RecordMapiCallsIn("mapi.txt");
  const auto started = std::chrono::steady_clock::now();
  const ChildResult result = scene.program().Run("A01");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  const Outcome outcome = scene.Report(result);
  EXPECT_EQ(CountLines(outcome, kWaiting), 0u);
  EXPECT_EQ(CountLines(outcome, "Sent successfully"), 1u);
  EXPECT_EQ(result.boxes, "");
}

// The host may start a run for each of many requests at the same moment, all
// appending to one log: every line must arrive, whole.
TEST(AreaRuns, FortyRunsAtOnceLoseNoLogLine) {
  constexpr int kRuns = 40;
  World world;
  world.area = "100";               // mono-server: one set of settings for every area
  world.request.bodyLine3.clear();  // a body of one line: every log line is stamped
  const Scene scene(world);
  ChildResult result = scene.program().Run("100");
  const std::size_t perRun = LogMessages(ReadFileBytes(scene.Report(result).log)).size();
  ASSERT_GT(perRun, 20u);
  std::filesystem::remove(scene.Report(result).log);

  std::vector<RunningProgram> runs(kRuns);
  for (int i = 0; i < kRuns; ++i) {
    const std::string area = std::to_string(100 + i);
    scene.WriteRequest(area, world.request);
    ASSERT_TRUE(runs[i].Start(scene.program().folder().File(J6_PROGRAM_FILE_NAME), area,
                              scene.program().elsewhere().path().string()));
  }
  for (RunningProgram& run : runs) {
    ASSERT_TRUE(run.Wait(&result));
    EXPECT_EQ(result.boxes, "");
  }
  // Each line must parse as a stamp and a message; a torn or overwritten one
  // would show as a line without its stamp, or go missing from the count.
  const std::vector<std::string> lines = LogMessages(ReadFileBytes(scene.Report(result).log));
  EXPECT_EQ(lines.size(), perRun * kRuns);
  for (const std::string& line : lines) EXPECT_NE(line.rfind("UNSTAMPED", 0), 0u) << line;
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Sent successfully"), kRuns);
}

}  // namespace
}  // namespace j6::test
