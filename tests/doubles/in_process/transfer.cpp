// The transfer library in-process: j6tf notes what it was handed and, for
// the one local path its record names, writes the document, as the real
// library would fetch it there.
#include <cstdint>
#include <cstdio>

#include "tests/doubles/in_process/recording.h"

namespace j6::doubles {

namespace {

void Deliver(const char* local) {
  const TransferRecord& record = Transfer();
  if (local == nullptr || record.deliverAt.empty() || record.deliverAt != local) return;
  std::FILE* file = std::fopen(record.deliverFile.c_str(), "wb");
  if (file == nullptr) return;
  std::fputs("%PDF-1.4 in-process", file);
  std::fclose(file);
}

int WithPort(const char* server, const char* remote, const char* local, std::int32_t port) {
  Transfer().calls.push_back({Hand(server), Hand(remote), Hand(local), true, port});
  Deliver(local);
  return 0;
}

int WithoutPort(const char* server, const char* remote, const char* local) {
  Transfer().calls.push_back({Hand(server), Hand(remote), Hand(local), false, 0});
  Deliver(local);
  return 0;
}

}  // namespace

TransferRecord& Transfer() {
  static TransferRecord record;
  return record;
}

Exports TransferExports(bool withPort) {
  return {{"j6tf", withPort ? reinterpret_cast<platform::EntryPoint>(&WithPort)
                            : reinterpret_cast<platform::EntryPoint>(&WithoutPort)}};
}

}  // namespace j6::doubles
