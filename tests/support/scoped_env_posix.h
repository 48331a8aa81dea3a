// Off Windows only: an environment variable set (or unset) for one test and
// put back afterwards.
#pragma once

#include <stdlib.h>

#include <string>

namespace j6::test {

/// Sets the variable (null: unsets it) and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    Put(value);
  }
  ~ScopedEnv() { Put(had_ ? old_.c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Put(const char* value) {
    if (value != nullptr) {
      setenv(name_.c_str(), value, 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  std::string name_;
  bool had_ = false;
  std::string old_;
};

}  // namespace j6::test
