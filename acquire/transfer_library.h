// The J6 transfer library, which copies a document from the J6 server.
#pragma once

#include <cstdint>

namespace j6 {

/// Whether the transfer library was called; the numbers are the host's.
enum class TransferCall : int { kCalled = 0, kNoLibrary = 1 };

/// Has the transfer library copy `remotePath` on `serverName` to
/// `localPath`: J6TFN with the port, or J6TF without it when J6TFN cannot be
/// loaded. kCalled when j6tf was called, whatever it did; kNoLibrary, with a
/// log line, when no library or no j6tf could be found.
TransferCall EseguiTF(std::int32_t port, const char* serverName, const char* remotePath,
                      const char* localPath);

}  // namespace j6
