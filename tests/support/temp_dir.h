// A scratch folder for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace j6::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// The full path of `name` inside the folder, in the platform's own form.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

/// The path in the form the program takes a folder of the test in: on
/// Windows with backslashes; off Windows a host path (it starts with a slash)
/// as it is, which the program does not map.
std::string AsWindowsPath(const std::filesystem::path& path);

/// Writes `bytes` to `path` exactly, replacing what was there.
void WriteFileBytes(const std::string& path, const std::string& bytes);

/// The whole content of `path`; empty when it is no file or cannot be read.
std::string ReadFileBytes(const std::string& path);

}  // namespace j6::test
