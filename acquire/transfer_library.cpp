#include "acquire/transfer_library.h"

#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/foreign_call.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace j6 {

int EseguiTF(const char* serverName, const char* remotePath, const char* localPath) {
  // The library writes where the run means, whatever the current folder is.
  const std::string local = localPath[0] != '\0' ? platform::AbsolutePath(localPath) : "";
  localPath = local.c_str();
  platform::DynamicLibrary library;
  if (library.Load("J6TFN")) {
    // A J6TFN without j6tf is broken; J6TF is not tried in its place.
    const platform::EntryPoint j6tf = library.Symbol("j6tf");
    if (j6tf == nullptr) {
      LogLine("J6FTPara: cannot call j6tf (J6TFN)");
      return 1;
    }
    platform::CallIgnoringConvention(j6tf, serverName, remotePath, localPath, CurrentRun().port);
    return 0;
  }
  if (library.Load("J6TF")) {
    const platform::EntryPoint j6tf = library.Symbol("j6tf");
    if (j6tf == nullptr) {
      LogLine("J6FTPara: cannot call j6tf");
      return 1;
    }
    platform::CallIgnoringConvention(j6tf, serverName, remotePath, localPath);
    return 0;
  }
  LogLine("J6FTPara: cannot open J6TF.dll");
  return 1;
}

}  // namespace j6
