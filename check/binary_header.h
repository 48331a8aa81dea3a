// What a library or program file was built for, read from its header without
// loading it: the PE header of a Windows image, the ELF header elsewhere.
// J6Mailer loads only libraries built as it is; loading one of another
// bitness fails with a bare error number, so the check reads the header
// first and says which is which.
#pragma once

#include <string>
#include <string_view>

namespace j6::check {

enum class BinaryFormat { kUnknown, kPe, kElf };

struct BinaryHeader {
  BinaryFormat format = BinaryFormat::kUnknown;
  int bits = 0;         // 32 or 64; 0 when the header does not tell
  std::string machine;  // "x86", "x64", "ARM", "ARM64", "machine 0x1c2"; empty when unknown
};

/// The header at the start of a file: "MZ", then at the offset at 0x3C the
/// "PE" signature, its machine and its optional header's magic; or an ELF
/// identification with its class and machine. Unknown for anything else.
BinaryHeader ParseBinaryHeader(std::string_view bytes);

/// The header of the file at the host path; unknown when it cannot be read.
BinaryHeader ReadBinaryHeader(const std::string& hostPath);

/// "a Windows image (PE)", "an ELF file".
const char* DescribeFormat(BinaryFormat format);

}  // namespace j6::check
