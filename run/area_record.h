// The host's fixed 512-byte mail request record ("cobol area file").
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace j6 {

/// Where a field lies in the record.
struct AreaField {
  std::size_t offset;
  std::size_t length;
};

/// The record exactly as read from the area file: blank-padded fixed-width
/// fields with no terminating zeros of their own.
struct AreaRecord {
  static constexpr std::size_t kSize = 512;

  static constexpr AreaField kDocumentRef{1, 99};  // server path, may step up with "..\"
  static constexpr AreaField kOutputDevice{109, 8};
  static constexpr AreaField kExtraAttachmentName{147, 15};
  static constexpr AreaField kRecipients{228, 50};
  static constexpr AreaField kSubject{278, 50};
  static constexpr AreaField kBodyLine1{328, 50};
  static constexpr AreaField kBodyLine2{378, 50};
  static constexpr AreaField kBodyLine3{428, 50};

  /// The field's bytes, padding included; a copy into a run-state text ends
  /// at a zero byte, should the host have left one.
  std::string_view Field(AreaField field) const {
    return std::string_view(bytes.data() + field.offset, field.length);
  }

  std::array<char, kSize> bytes{};
};

}  // namespace j6
