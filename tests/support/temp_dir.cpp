#include "tests/support/temp_dir.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

namespace j6::test {

TempDir::TempDir() {
  std::random_device seed;
  std::mt19937_64 random(seed() ^ static_cast<std::uint64_t>(
                                      std::chrono::steady_clock::now().time_since_epoch().count()));
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("j6test-" + std::to_string(random() % 1000000000));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string AsWindowsPath(const std::filesystem::path& path) {
  std::string text = path.string();
  // A host path off Windows starts with a slash and is taken as it is; in
  // Windows form, rooted without a drive, it would lie on drive C.
  if (!text.empty() && text.front() == '/') return text;
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::string();
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace j6::test
