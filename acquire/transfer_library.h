// The J6 transfer library, which copies a document from the J6 server.
#pragma once

namespace j6 {

/// Has the transfer library copy `remotePath` on `serverName` to
/// `localPath`: J6TFN with the run state's port, or J6TF without it when
/// J6TFN cannot be loaded. 0 when j6tf was called (whatever it did), 1 with
/// a log line when no library or no j6tf could be found.
int EseguiTF(const char* serverName, const char* remotePath, const char* localPath);

}  // namespace j6
