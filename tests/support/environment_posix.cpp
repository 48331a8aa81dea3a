#include <stdlib.h>

#include "tests/support/environment.h"

namespace j6::test {

void SetEnvironment(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

}  // namespace j6::test
