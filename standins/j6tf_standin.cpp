// The J6 transfer library off Windows: "fetches" a document by copying the
// file its server path names (mapped as every Windows path is off Windows) to
// the local path. The server name and the port mean nothing here.
#include <cstdint>
#include <cstdio>

#include "platform/files.h"

extern "C" int j6tf(const char* /*server*/, const char* remote, const char* local,
                    std::int32_t /*port*/) {
  std::FILE* in = j6::platform::OpenFile(remote, "rb");
  if (in == nullptr) return 1;
  std::FILE* out = j6::platform::OpenFile(local, "wb");
  if (out == nullptr) {
    std::fclose(in);
    return 1;
  }
  char chunk[8192];
  std::size_t count;
  bool ok = true;
  while (ok && (count = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
    ok = std::fwrite(chunk, 1, count, out) == count;
  }
  std::fclose(in);
  return std::fclose(out) == 0 && ok ? 0 : 1;
}
