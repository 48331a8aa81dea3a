// POSIX half of tests/support/registry_import.h: the stand-in reads the file
// that J6MAILER_REGISTRY names, so naming it there is the whole import.
#include <unistd.h>

#include <cstdlib>

#include "tests/support/registry_import.h"

namespace j6::test {

bool ImportRegistryFile(const std::string& regFilePath) {
  // regedit fails on a file it cannot read; say so here too.
  if (access(regFilePath.c_str(), R_OK) != 0) return false;
  return setenv("J6MAILER_REGISTRY", regFilePath.c_str(), 1) == 0;
}

}  // namespace j6::test
