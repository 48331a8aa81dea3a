// The portable part of platform/command_line.h.
#include "platform/command_line.h"

namespace j6::platform {

const char* SkipProgramName(const char* commandLine) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
  bool inQuotes = false;
  while (*p != 0 && (*p > ' ' || inQuotes)) {
    if (*p == '"') inQuotes = !inQuotes;
    ++p;
  }
  while (*p != 0 && *p <= ' ') ++p;
  return reinterpret_cast<const char*>(p);
}

}  // namespace j6::platform
