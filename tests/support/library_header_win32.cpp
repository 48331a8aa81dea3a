// Windows half of LibraryHeader in tests/support/library_header.h.
#include "tests/support/library_header.h"

namespace j6::test {

std::string LibraryHeader(int bits) { return PeHeader(bits); }

}  // namespace j6::test
