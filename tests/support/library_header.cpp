#include "tests/support/library_header.h"

#include <cstdint>

namespace j6::test {

namespace {

void Put(std::string* bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i)
    (*bytes)[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

}  // namespace

std::string PeHeader(int bits) {
  std::string bytes(0x200, '\0');
  constexpr std::size_t kPe = 0x80;
  bytes.replace(0, 2, "MZ");
  Put(&bytes, 0x3C, kPe, 4);
  bytes.replace(kPe, 4, std::string("PE\0\0", 4));
  Put(&bytes, kPe + 4, bits == 64 ? 0x8664 : 0x14c, 2);            // machine
  Put(&bytes, kPe + 20, bits == 64 ? 0xF0 : 0xE0, 2);              // optional header's size
  Put(&bytes, kPe + 22, 0x2002 | (bits == 64 ? 0x20 : 0x100), 2);  // a DLL
  Put(&bytes, kPe + 24, bits == 64 ? 0x20b : 0x10b, 2);            // PE32+ or PE32
  return bytes;
}

std::string ElfHeader(int bits) {
  std::string bytes(64, '\0');
  bytes.replace(0, 4,
                "\x7F"
                "ELF");
  bytes[4] = static_cast<char>(bits == 64 ? 2 : 1);  // class
  bytes[5] = 1;                                      // little-endian
  bytes[6] = 1;                                      // version
  Put(&bytes, 16, 3, 2);                             // a shared object
  Put(&bytes, 18, bits == 64 ? 62 : 3, 2);           // machine
  Put(&bytes, 20, 1, 4);
  return bytes;
}

}  // namespace j6::test
