// What only a Windows desktop shows: the executable's manifest, libraries
// planted in the current folder, a mail client that changes the current
// folder while it works, and a program folder or log folder named in a
// script the ANSI code page lacks.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/program.h"
#include "tests/e2e/request_run.h"
#include "tests/support/digest.h"
#include "tests/support/environment.h"
#include "tests/support/log_lines.h"

namespace j6::test {
namespace {

TEST(Desktop, ManifestAsksForTheInvokersRightsOnWindows7To11) {
  const std::string program = OwnDirectory() + "\\" + J6_PROGRAM_FILE_NAME;
  const HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(found, nullptr) << "no RT_MANIFEST resource 1";
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
  const std::string manifest(bytes, SizeofResource(module, found));
  FreeLibrary(module);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  for (const char* windows : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a",     // 7
                              "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",     // 8
                              "1f676c76-80e1-4239-95bb-83d0f6d0da78",     // 8.1
                              "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {  // 10 and 11
    EXPECT_NE(manifest.find(windows), std::string::npos) << windows;
  }
}

// The host chooses the current folder, which may be a shared drive: a
// J6TFN.dll lying there must never be loaded in place of the one on PATH, nor
// a library that one imports, which is taken from beside it, else from PATH.
TEST(Desktop, LibraryPlantedInTheCurrentFolderIsNeverLoaded) {
  World world;
  world.libraries = {J6_DOUBLE_MAPI32};
  const Scene scene(world);
  const std::filesystem::path own = OwnDirectory();
  const std::filesystem::path start = scene.program().elsewhere().path();
  const std::filesystem::path onPath = start / "onpath";
  const std::filesystem::path depOnPath = start / "deps";
  std::filesystem::create_directories(onPath);
  std::filesystem::create_directories(depOnPath);
  std::filesystem::copy_file(own / J6_DOUBLE_J6TFN_DEPENDENT, onPath / "J6TFN.dll");
  std::filesystem::copy_file(own / J6_DOUBLE_J6TFN_NO_ENTRY, start / "J6TFN.dll");
  std::filesystem::copy_file(own / J6_DOUBLE_J6DEP_PLANTED, start / "J6TDEP.dll");
  std::filesystem::copy_file(own / J6_DOUBLE_J6DEP_ONPATH, depOnPath / "J6TDEP.dll");
  char path[32768];
  const DWORD length = GetEnvironmentVariableA("PATH", path, sizeof path);
  const std::string oldPath(path, length < sizeof path ? length : 0);
  SetEnvironment("PATH", depOnPath.string() + ";" + onPath.string() + ";" + oldPath);
  scene.program().Run("A01");
  std::filesystem::copy_file(own / J6_DOUBLE_J6DEP_BESIDE, onPath / "J6TDEP.dll");
  scene.WriteRequest("A01", world.request);
  const ChildResult result = scene.program().Run("A01");
  SetEnvironment("PATH", oldPath);
  const Outcome outcome = scene.Report(result);
  // The one on PATH was called with the import from PATH, then from beside it.
  std::vector<std::string> copies;
  for (const std::string& call : outcome.calls) copies.push_back(call.substr(call.rfind(' ') + 1));
  EXPECT_EQ(copies, (std::vector<std::string>{"dep=onpath", "dep=beside"}));
  EXPECT_EQ(StartingWith(outcome.lines, "J6FTPara: cannot call"), std::vector<std::string>{});
  ASSERT_FALSE(outcome.lines.empty());
  EXPECT_EQ(outcome.lines.back(), "Sent successfully");
}

// A mail client's stub changes the current folder while it works: relative
// paths must keep naming what they named when the run started.
TEST(Desktop, RelativePathsSurviveAMailClientThatChangesTheCurrentFolder) {
  World world;
  world.configText = "[MAILCLIENT]\r\nLOGFILE=run.log\r\n";  // beside the start folder
  world.netDir = "net\\";
  world.request.extraAttachmentName = "LOGO.PDF";  // no "GL_DirSys": the name alone
  const Scene scene(world);
  const std::filesystem::path start = scene.program().elsewhere().path();
  const std::filesystem::path moved = start / "client";
  std::filesystem::create_directories(moved / "net" / "SPOOL");
  WriteFileBytes((start / "LOGO.PDF").string(), "the request's logo");
  WriteFileBytes((moved / "LOGO.PDF").string(), "some other logo");
  WriteFileBytes((moved / "net" / "SPOOL" / "DOCA01").string(), "some other document");
  SetEnvironment("J6TEST_MAPI_CHDIR", moved.string());
  SetEnvironment("J6TEST_MAPI_WAIT_MS", "0");
  const ChildResult result = scene.program().Run("A01");
  SetEnvironment("J6TEST_MAPI_CHDIR", "");
  SetEnvironment("J6TEST_MAPI_WAIT_MS", "");
  EXPECT_EQ(result.boxes, "");

  const std::string startFolder = AsWindowsPath(start);
  const Outcome outcome = scene.Report(result);
  EXPECT_EQ(StartingWith(outcome.mapiCalls, "file "),
            (std::vector<std::string>{
                "file position=4294967295 path=" + startFolder + "\\net\\SPOOL\\DOCA01 name=R1",
                "file position=4294967295 path=" + startFolder + "\\LOGO.PDF name=(none)"}));
  EXPECT_EQ(StartingWith(outcome.mapiCalls, "content "),
            (std::vector<std::string>{"content " + Digest("document \\\\srv\\spool\\PRT\\R1"),
                                      "content " + Digest("the request's logo")}));
  // Every line went to the log of the start folder, the closing ones too.
  const std::vector<std::string> lines = LogMessages(ReadFileBytes((start / "run.log").string()));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(
      StartingWith(lines, "Attachment"),
      (std::vector<std::string>{"Attachment1: net\\SPOOL\\DOCA01 [R1]", "Attachment2: LOGO.PDF"}));
  EXPECT_EQ(lines[lines.size() - 3], "Sent successfully");
  EXPECT_EQ(lines[lines.size() - 2], "J6Mailer: End");
  EXPECT_FALSE(std::filesystem::exists(moved / "run.log"));
}

// GetModuleFileNameA gives question marks for such a folder: the
// configuration was not read, and the run went without a log through Simple
// MAPI instead of the wrapper.
TEST(Desktop, ProgramFolderNamedInGreekStillFindsItsConfiguration) {
  World world;
  world.mapiMode = "EXTENDED";
  world.libraries = {J6_DOUBLE_J6TFN_CDECL, J6_DOUBLE_MAPIEX};
  const Scene scene(world);
  const std::filesystem::path folder = scene.program().folder().path();
  const std::filesystem::path greek = folder / std::filesystem::path(L"\u0396\u03c9\u03ae");
  std::filesystem::create_directories(greek);
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file())
      std::filesystem::copy_file(entry.path(), greek / entry.path().filename());
  }
  RunningProgram run;
  ASSERT_TRUE(run.Start((greek / J6_PROGRAM_FILE_NAME).u8string(), "A01",
                        scene.program().elsewhere().path().string()));
  ChildResult result;
  ASSERT_TRUE(run.Wait(&result));
  const Outcome outcome = scene.Report(result);
  EXPECT_EQ(StartingWith(outcome.lines, "Use "), std::vector<std::string>{"Use MAPIEX mode (0)"});
  ASSERT_FALSE(outcome.lines.empty());
  EXPECT_EQ(outcome.lines.back(), "Sent successfully");
}

// Read through the ANSI code page, such a LOGFILE (in a file saved as Unicode)
// kept no log, and the check said its folder did not exist. Its 230 or so
// characters fit the field's 259; its more than 400 bytes of UTF-8 would not.
TEST(Desktop, LogInAFolderNamedInGreekGetsItsLinesAndTheCheckSeesIt) {
  World world;
  std::filesystem::path greek;
  world.prepare = [&greek](const InstalledProgram& program) {
    std::wstring name;
    for (int i = 0; i < 30; ++i) name += L"\u0396\u03c9\u03ae";
    greek = program.elsewhere().path() / name / name;
    std::filesystem::create_directories(greek);
    const std::wstring ini = L"\uFEFF[MAILCLIENT]\r\nLOGFILE=" + greek.wstring() + L"\\J6.log\r\n";
    program.Configure(std::string(reinterpret_cast<const char*>(ini.data()), ini.size() * 2));
    program.AddCheckProgram();
  };
  const Scene scene(world);
  scene.program().Run("A01");
  std::ifstream log(greek / L"J6.log", std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(log), {});
  EXPECT_EQ(StartingWith(LogMessages(bytes), "J6Mailer: End").size(), 1u);
  const std::string output = scene.program().Check("A01").output;
  EXPECT_NE(output.find("[ok] log folder " + greek.u8string() + "\\ takes new files"),
            std::string::npos)
      << output;
}

}  // namespace
}  // namespace j6::test
