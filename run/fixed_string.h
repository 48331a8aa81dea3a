// A fixed-capacity, zero-terminated 8-bit text: the storage of every text
// field of the run state.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace j6 {

/// Holds at most Capacity characters and a terminating zero. Every write cuts
/// the text to the capacity, so the truncation rule of the run state's fields
/// lives here and nowhere else. The length is not cached: later stages split
/// texts in place by writing zeros into data().
template <std::size_t Capacity>
class FixedString {
 public:
  static constexpr std::size_t kCapacity = Capacity;

  FixedString() = default;
  explicit FixedString(std::string_view text) { Assign(text); }

  void Clear() { data_[0] = '\0'; }
  void Assign(std::string_view text) {
    Clear();
    Append(text);
  }
  /// Appends what still fits; a zero byte in `text` ends the text there.
  void Append(std::string_view text) {
    const std::size_t length = size();
    const std::size_t room = Capacity - length;
    const std::size_t count = text.size() < room ? text.size() : room;
    text.copy(data_ + length, count);
    data_[length + count] = '\0';
  }

  const char* c_str() const { return data_; }
  char* data() { return data_; }
  std::size_t size() const { return std::strlen(data_); }
  bool empty() const { return data_[0] == '\0'; }
  std::string_view view() const { return std::string_view(data_, size()); }

 private:
  char data_[Capacity + 1] = {};
};

/// A path setting of at most Characters characters as Windows counts them
/// (UTF-16 code units), held as platform::ReadProfilePath gives it: on
/// Windows in UTF-8, which takes up to three bytes for one of them. The
/// reader counts the characters and refuses a longer path; the storage only
/// holds any write within its bytes.
template <std::size_t Characters>
class PathString : public FixedString<3 * Characters> {
 public:
  // Hides the count of bytes on purpose: what a path is held to, and what a
  // message names, is its characters.
  // cppcheck-suppress duplInheritedMember
  static constexpr std::size_t kCapacity = Characters;
};

}  // namespace j6
