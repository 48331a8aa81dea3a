// The first bytes of a library file, for tests of what reads them: a header
// and nothing to run, which is all the check reads of a library of the
// other bitness before it refuses it.
#pragma once

#include <string>

namespace j6::test {

/// A Windows DLL's headers: x86 (PE32) for 32 bits, x64 (PE32+) for 64.
std::string PeHeader(int bits);

/// A shared object's ELF header: x86 for 32 bits, x86-64 for 64.
std::string ElfHeader(int bits);

/// The header of a library for `bits` in the form this build's programs take
/// (PE on Windows, ELF elsewhere).
std::string LibraryHeader(int bits);

/// The bitness of this build's programs.
inline int OwnBits() { return static_cast<int>(sizeof(void*) * 8); }

}  // namespace j6::test
