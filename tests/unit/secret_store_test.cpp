// The secret store keeps each secret whole, for the user alone (mode 0600
// off Windows; encrypted on Windows), and nothing else in its folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/secret_store.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"

namespace j6::platform {
namespace {

namespace fs = std::filesystem;

std::string EveryByte(std::size_t size) {
  std::string bytes;
  for (std::size_t i = 0; i < size; ++i) bytes += static_cast<char>(i * 7 % 256);
  return bytes;
}

/// Points the store at a folder of the test: Windows reads LOCALAPPDATA (a
/// folder that is there), elsewhere J6MAILER_SECRETS (made when missing).
class SecretStoreTest : public ::testing::Test {
 protected:
  SecretStoreTest() {
    for (const auto& [name, folder] : {std::pair{"LOCALAPPDATA", dir_.path().string()},
                                       {"J6MAILER_SECRETS", dir_.File("secrets")}}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value != nullptr ? value : "");
      test::SetEnvironment(name, folder);
    }
  }
  ~SecretStoreTest() override {
    for (const auto& [name, value] : saved_) test::SetEnvironment(name, value);
  }

  test::TempDir dir_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(SecretStoreTest, KeepsEachSecretWholeForTheUserAlone) {
  const struct {
    const char* name;
    std::string secret;
  } cases[] = {
      {"refresh-token%3Asmtp.example.com", EveryByte(4096)},
      {"Access.Token_2", "eyJ0eXAiOiJKV1QiLCJhbGciOiJSUzI1NiJ9"},
  };
  for (const auto& c : cases) {
    std::string error;
    std::string file;
    ASSERT_TRUE(SecretFile(c.name, &file, &error)) << error;
    ASSERT_TRUE(WriteSecret(c.name, "an older secret", &error)) << error;
    ASSERT_TRUE(WriteSecret(c.name, c.secret, &error)) << c.name << ": " << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(file).parent_path()), {}), 1)
        << c.name << ": only the secret's file stays";
    if (fs::path::preferred_separator == '\\') {
      EXPECT_EQ(test::ReadFileBytes(file).find(c.secret.substr(0, 16)), std::string::npos)
          << c.name << ": plain text in the file";
    } else {
      EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write)
          << c.name;
    }
    std::string read;
    EXPECT_EQ(ReadSecret(c.name, &read, &error), Lookup::kFound) << error;
    EXPECT_EQ(read, c.secret) << c.name;
    EXPECT_TRUE(DeleteSecret(c.name, &error)) << error;
    EXPECT_EQ(ReadSecret(c.name, &read, &error), Lookup::kNone) << c.name;
    EXPECT_TRUE(DeleteSecret(c.name, &error)) << c.name << ": deleting nothing is no failure";
  }
}

TEST_F(SecretStoreTest, NamesAreFileNamesOfOneCase) {
  std::string error;
  ASSERT_TRUE(WriteSecret("Token-A", "x", &error)) << error;
  std::string read;
  EXPECT_EQ(ReadSecret("token-a", &read, &error), Lookup::kFound) << error;
  for (const char* name : {"", "a/b", "a\\b", "..", "a.", "a:b", "a b"}) {
    EXPECT_FALSE(WriteSecret(name, "x", &error)) << name;
    EXPECT_EQ(ReadSecret(name, &read, &error), Lookup::kFailed) << name;
  }
  EXPECT_FALSE(IsSecretName(std::string(kMaxSecretName + 1, 'a')));
}

}  // namespace
}  // namespace j6::platform
