// A transfer library for tests, built in several variants (library name,
// number of arguments, calling convention, entry point name) by
// tests/CMakeLists.txt. Each call appends one line with its arguments to the
// file named by J6TEST_TRANSFER_RECORD, then, unless J6TEST_TRANSFER_SKIP is 1,
// writes a small document at the local path, as the real library would
// have fetched it ("empty": an empty file, as a failed copy may leave). The
// variant that imports a library of its own names the copy it got.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/files.h"

#ifdef J6_DOUBLE_DEPENDENCY
extern "C" const char* j6dep_copy();
#else
const char* j6dep_copy() { return nullptr; }
#endif

namespace {

void Record(const std::string& call) {
  const char* copy = j6dep_copy();
  const std::string line = copy != nullptr ? call + " dep=" + copy : call;
  const char* recordPath = std::getenv("J6TEST_TRANSFER_RECORD");
  if (recordPath == nullptr) return;
  std::FILE* file = std::fopen(recordPath, "ab");
  if (file == nullptr) return;
  std::fputs((line + "\n").c_str(), file);
  std::fclose(file);
}

void Deliver(const char* local, const char* remote) {
  const char* skip = std::getenv("J6TEST_TRANSFER_SKIP");
  if ((skip != nullptr && *skip == '1') || *local == '\0') return;
  std::FILE* file = j6::platform::OpenFile(local, "wb");
  if (file == nullptr) return;
  if (std::string(skip != nullptr ? skip : "") != "empty")
    std::fprintf(file, "document %s", remote);
  std::fclose(file);
}

}  // namespace

#if J6_DOUBLE_ARGS == 4
extern "C" int J6_DOUBLE_CALL J6_DOUBLE_ENTRY(const char* server, const char* remote,
                                              const char* local, std::int32_t port) {
  Record(std::string("j6tf(") + server + "|" + remote + "|" + local + "|" + std::to_string(port) +
         ")");
  Deliver(local, remote);
  return 0;
}
#else
extern "C" int J6_DOUBLE_CALL J6_DOUBLE_ENTRY(const char* server, const char* remote,
                                              const char* local) {
  Record(std::string("j6tf(") + server + "|" + remote + "|" + local + ")");
  Deliver(local, remote);
  return 0;
}
#endif
