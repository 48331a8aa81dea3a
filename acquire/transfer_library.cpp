#include "acquire/transfer_library.h"

#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/foreign_call.h"
#include "run/run_log.h"

namespace j6 {

TransferCall EseguiTF(std::int32_t port, const char* serverName, const char* remotePath,
                      const char* localPath) {
  // The library writes where the run means, whatever the current folder is.
  const std::string local = localPath[0] != '\0' ? platform::AbsolutePath(localPath) : "";
  localPath = local.c_str();
  platform::DynamicLibrary library;
  if (library.Load("J6TFN")) {
    // A J6TFN without j6tf is broken; J6TF is not tried in its place.
    const platform::EntryPoint j6tf = library.Symbol("j6tf");
    if (j6tf == nullptr) {
      LogLine("J6FTPara: cannot call j6tf (J6TFN)");
      return TransferCall::kNoLibrary;
    }
    platform::CallIgnoringConvention(j6tf, serverName, remotePath, localPath, port);
    return TransferCall::kCalled;
  }
  if (library.Load("J6TF")) {
    const platform::EntryPoint j6tf = library.Symbol("j6tf");
    if (j6tf == nullptr) {
      LogLine("J6FTPara: cannot call j6tf");
      return TransferCall::kNoLibrary;
    }
    platform::CallIgnoringConvention(j6tf, serverName, remotePath, localPath);
    return TransferCall::kCalled;
  }
  LogLine("J6FTPara: cannot open J6TF.dll");
  return TransferCall::kNoLibrary;
}

}  // namespace j6
