// POSIX half of platform/stand_ins.h: the places the stand-ins use, each
// found by the rule its stand-in follows.
#include <sys/stat.h>
#include <unistd.h>

#include "emulation/posix_path.h"
#include "platform/stand_ins.h"

namespace j6::platform {

StandInPlaces TheStandInPlaces() {
  return StandInPlaces{PosixPath(RegistryFilePath()), DrivesRoot(), OutboxFolder()};
}

bool FolderCanBeMade(const std::string& hostPath) {
  std::string folder = hostPath;
  for (;;) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
      return S_ISDIR(info.st_mode) && access(folder.c_str(), W_OK | X_OK) == 0;
    }
    if (folder == "/" || folder == ".") return false;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::size_t slash = folder.rfind('/');
    if (slash == std::string::npos) {
      folder = ".";
    } else {
      folder.resize(slash == 0 ? 1 : slash);
    }
  }
}

}  // namespace j6::platform
