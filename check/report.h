// What the check program says: one line per check, each beginning [ok],
// [warn] or [fail], then a line that counts them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace j6::check {

class Report {
 public:
  /// Each line is also written to `echo`, when given, as soon as it is made:
  /// a check that hangs (a MAPI logon waiting for its server) shows how far
  /// it got.
  explicit Report(std::FILE* echo = nullptr) : echo_(echo) {}

  void Ok(const std::string& text) { Add("[ok] ", text, &oks_); }
  void Warn(const std::string& text) { Add("[warn] ", text, &warnings_); }
  void Fail(const std::string& text) { Add("[fail] ", text, &failures_); }

  const std::vector<std::string>& lines() const { return lines_; }
  bool failed() const { return failures_ > 0; }
  /// "12 ok, 1 warn, 0 fail".
  std::string Summary() const;

 private:
  void Add(const char* tag, const std::string& text, int* count);

  std::FILE* echo_;
  std::vector<std::string> lines_;
  int oks_ = 0;
  int warnings_ = 0;
  int failures_ = 0;
};

}  // namespace j6::check
