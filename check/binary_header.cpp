#include "check/binary_header.h"

#include <cstdint>
#include <cstdio>

#include "platform/file_probe.h"

namespace j6::check {

namespace {

// Enough for any header a linker writes: the PE header follows a DOS stub of
// a few hundred bytes.
constexpr std::size_t kHeaderBytes = std::size_t{64} * 1024;

std::uint32_t Little(std::string_view bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size; i-- > 0;) {
    value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

std::uint32_t Big(std::string_view bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = 0; i < size; ++i) {
    value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

struct Machine {
  const char* name;
  std::uint32_t number;
  int bits;
};

constexpr Machine kPeMachines[] = {
    {"x86", 0x14c, 32}, {"x64", 0x8664, 64}, {"ARM", 0x1c4, 32}, {"ARM64", 0xaa64, 64}};
constexpr Machine kElfMachines[] = {
    {"x86", 3, 32}, {"x64", 62, 64}, {"ARM", 40, 32}, {"ARM64", 183, 64}};

template <std::size_t N>
const Machine* Find(const Machine (&machines)[N], std::uint32_t number) {
  for (const Machine& machine : machines) {
    if (machine.number == number) return &machine;
  }
  return nullptr;
}

template <std::size_t N>
std::string NameOf(const Machine (&machines)[N], std::uint32_t number) {
  const Machine* known = Find(machines, number);
  if (known != nullptr) return known->name;
  char name[32];
  std::snprintf(name, sizeof name, "machine 0x%x", static_cast<unsigned>(number));
  return name;
}

BinaryHeader ParsePe(std::string_view bytes) {
  BinaryHeader header;
  if (bytes.size() < 0x40) return header;
  const std::size_t pe = Little(bytes, 0x3C, 4);
  // The signature (4 bytes) and the file header (20) come first; the optional
  // header's magic is its first field.
  if (pe > bytes.size() || bytes.size() - pe < 24 ||
      bytes.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
    return header;
  }
  const std::uint32_t machine = Little(bytes, pe + 4, 2);
  const std::uint32_t optionalSize = Little(bytes, pe + 20, 2);
  header.format = BinaryFormat::kPe;
  header.machine = NameOf(kPeMachines, machine);
  const Machine* known = Find(kPeMachines, machine);
  if (optionalSize >= 2 && bytes.size() - pe >= 26) {
    const std::uint32_t magic = Little(bytes, pe + 24, 2);
    header.bits = magic == 0x10b ? 32 : magic == 0x20b ? 64 : 0;
  }
  if (header.bits == 0 && known != nullptr) header.bits = known->bits;
  return header;
}

BinaryHeader ParseElf(std::string_view bytes) {
  BinaryHeader header;
  if (bytes.size() < 20) return header;
  const char elfClass = bytes[4];
  const char data = bytes[5];
  if ((elfClass != 1 && elfClass != 2) || (data != 1 && data != 2)) return header;
  header.format = BinaryFormat::kElf;
  header.bits = elfClass == 1 ? 32 : 64;
  const std::uint32_t machine = data == 1 ? Little(bytes, 18, 2) : Big(bytes, 18, 2);
  header.machine = NameOf(kElfMachines, machine);
  return header;
}

}  // namespace

BinaryHeader ParseBinaryHeader(std::string_view bytes) {
  if (bytes.substr(0, 2) == "MZ") return ParsePe(bytes);
  if (bytes.substr(0, 4) ==
      "\x7F"
      "ELF")
    return ParseElf(bytes);
  return BinaryHeader{};
}

BinaryHeader ReadBinaryHeader(const std::string& hostPath) {
  std::string bytes;
  if (!platform::ReadFileStart(hostPath, kHeaderBytes, &bytes)) return BinaryHeader{};
  return ParseBinaryHeader(bytes);
}

const char* DescribeFormat(BinaryFormat format) {
  switch (format) {
    case BinaryFormat::kPe:
      return "a Windows image (PE)";
    case BinaryFormat::kElf:
      return "an ELF file";
    case BinaryFormat::kUnknown:
      break;
  }
  return "no program file";
}

}  // namespace j6::check
