// The transfer library for the record harness: j6tf only notes what it was
// handed. The harness puts the document in place beforehand when a request
// is to find it, so that a run touches no file here.
#include <cstdint>

#include "fuzz/double_records.h"

extern "C" j6::fuzz::TransferRecord* J6FuzzTransferRecord() {
  static j6::fuzz::TransferRecord record;
  return &record;
}

extern "C" int j6tf(const char* server, const char* remote, const char* local, std::int32_t port) {
  using j6::fuzz::Hand;
  J6FuzzTransferRecord()->calls.push_back({Hand(server), Hand(remote), Hand(local), port});
  return 0;
}
