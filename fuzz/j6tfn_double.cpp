// The transfer library for the record harness: j6tf notes what it was
// handed and, for the one local path the harness names, writes the document.
#include <cstdint>
#include <cstdio>

#include "fuzz/double_records.h"

extern "C" j6::fuzz::TransferRecord* J6FuzzTransferRecord() {
  static j6::fuzz::TransferRecord record;
  return &record;
}

extern "C" int j6tf(const char* server, const char* remote, const char* local, std::int32_t port) {
  using j6::fuzz::Hand;
  j6::fuzz::TransferRecord& record = *J6FuzzTransferRecord();
  record.calls.push_back({Hand(server), Hand(remote), Hand(local), port});
  if (local != nullptr && !record.deliverAt.empty() && record.deliverAt == local) {
    std::FILE* file = std::fopen(record.deliverFile.c_str(), "wb");
    if (file != nullptr) {
      std::fputs("%PDF-1.4 fuzz", file);
      std::fclose(file);
    }
  }
  return 0;
}
