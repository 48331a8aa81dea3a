// Environment variables for the programs a test starts.
#pragma once

#include <string>

namespace j6::test {

/// Sets the variable in this process, so that programs started later inherit
/// it.
void SetEnvironment(const std::string& name, const std::string& value);

}  // namespace j6::test
