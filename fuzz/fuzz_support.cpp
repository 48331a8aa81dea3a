#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace j6::fuzz {

namespace {

void RemoveScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(ScratchFolder(), ignored);
}

}  // namespace

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "\n*** broken invariant: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/j6fuzz-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    Require(mkdtemp(buffer.data()) != nullptr, "cannot make a scratch folder");
    return std::string(buffer.data());
  }();
  static const bool registered = std::atexit(RemoveScratchFolder) == 0;
  Require(registered, "cannot register the scratch folder's removal");
  return folder;
}

std::string ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  Require(!error, "cannot tell where the executable lies");
  return self.parent_path().string() + "/";
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  Require(!file.fail(), "cannot write a scratch file");
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void SetEnvironment(const char* name, const std::string& value) {
  Require(setenv(name, value.c_str(), 1) == 0, "cannot set an environment variable");
}

}  // namespace j6::fuzz
