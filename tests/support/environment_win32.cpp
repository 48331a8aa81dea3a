#include <windows.h>

#include "tests/support/environment.h"

namespace j6::test {

void SetEnvironment(const std::string& name, const std::string& value) {
  SetEnvironmentVariableA(name.c_str(), value.c_str());
}

}  // namespace j6::test
