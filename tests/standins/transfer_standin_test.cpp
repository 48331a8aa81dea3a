// The transfer stand-in as the program loads and calls it: by its Windows
// name, beside the executable, through j6tf.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "platform/dynamic_library.h"
#include "tests/support/scoped_env_posix.h"
#include "tests/support/temp_dir.h"

namespace j6::test {
namespace {

using TransferFunction = int (*)(const char*, const char*, const char*, std::int32_t);

TEST(TransferStandIn, CopiesOnlyARegularServerFileAndReplacesTheLocalFileWhole) {
  platform::DynamicLibrary library;
  ASSERT_TRUE(library.Load("J6TFN")) << library.error();
  const auto transfer = reinterpret_cast<TransferFunction>(library.Symbol("j6tf"));
  ASSERT_NE(transfer, nullptr);

  TempDir dir;
  const std::filesystem::path drives = dir.path() / "drives";
  const ScopedEnv drivesEnv("J6MAILER_DRIVES", drives.c_str());
  const std::filesystem::path spool = drives / "unc" / "srv" / "spool";
  const std::filesystem::path temp = drives / "c" / "Temp";
  std::filesystem::create_directories(spool);
  std::filesystem::create_directories(temp / "Folder");
  std::filesystem::create_directories(drives / "c" / "etc");
  // Several chunks' worth, every byte value in every position.
  std::string document;
  for (int i = 0; i < 300000; ++i) document += static_cast<char>(i * 7 + i / 256);
  WriteFileBytes((spool / "R1").string(), document);
  WriteFileBytes((drives / "c" / "etc" / "doc").string(), "under drive C");
  WriteFileBytes(dir.File("host.pdf"), "the host's own");
  ASSERT_EQ(mkfifo((spool / "PIPE").c_str(), 0600), 0);
  const std::string local = "C:\\Temp\\DOC";
  const std::string before = "an older and longer local file " + std::string(400000, 'o');

  const struct {
    const char* name;
    std::string remote;
    std::string local;
    int result;
    std::optional<std::string> copied;  // none: the local file is untouched
  } cases[] = {
      {"copy over an existing file", "\\\\srv\\spool\\R1", local, 0, document},
      {"server file missing", "\\\\srv\\spool\\R2", local, 1, std::nullopt},
      {"server path a folder", "\\\\srv\\spool", local, 1, std::nullopt},
      {"server path a pipe", "\\\\srv\\spool\\PIPE", local, 1, std::nullopt},
      {"the local file itself", "C:\\Temp\\DOC", "c:\\temp\\..\\Temp\\.\\DOC", 1, std::nullopt},
      {"rooted without a drive: drive C", "\\etc\\doc", local, 0, "under drive C"},
      {"a host path from the server", dir.File("host.pdf"), local, 1, std::nullopt},
      {"local path a folder", "\\\\srv\\spool\\R1", "C:\\Temp\\Folder", 1, std::nullopt},
  };
  for (const auto& c : cases) {
    WriteFileBytes((temp / "DOC").string(), before);
    EXPECT_EQ(transfer("srv", c.remote.c_str(), c.local.c_str(), 8000), c.result) << c.name;
    EXPECT_EQ(ReadFileBytes((temp / "DOC").string()), c.copied.value_or(before)) << c.name;
    // Nothing half-written or temporary is left beside the local file.
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp)) {
      names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"DOC", "Folder"})) << c.name;
    EXPECT_TRUE(std::filesystem::is_empty(temp / "Folder")) << c.name;
  }
  EXPECT_EQ(ReadFileBytes((spool / "R1").string()), document);
}

}  // namespace
}  // namespace j6::test
