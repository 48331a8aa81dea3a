// The host's fixed 512-byte mail request record ("cobol area file").
#pragma once

#include <array>
#include <cstddef>

namespace j6 {

/// The record exactly as read from the area file: blank-padded fixed-width
/// fields with no terminating zeros of their own.
struct AreaRecord {
  static constexpr std::size_t kSize = 512;
  std::array<char, kSize> bytes{};
};

}  // namespace j6
