#include "check/report.h"

namespace j6::check {

std::string Report::Summary() const {
  return std::to_string(oks_) + " ok, " + std::to_string(warnings_) + " warn, " +
         std::to_string(failures_) + " fail";
}

void Report::Add(const char* tag, const std::string& text, int* count) {
  ++*count;
  lines_.push_back(tag + text);
  if (echo_ != nullptr) {
    std::fprintf(echo_, "%s\n", lines_.back().c_str());
    std::fflush(echo_);
  }
}

}  // namespace j6::check
