#include "run/configuration.h"

#include <string>

#include "platform/ascii.h"
#include "platform/module_path.h"
#include "platform/profile.h"
#include "run/run_state.h"
#include "run/text.h"

namespace j6 {

const char* ConfigFilePath(RunState& run) {
  if (!run.configPath.empty()) return run.configPath.c_str();
  // Without the executable's path the file is looked for in the current
  // folder: a bare name would have Windows look in its own folder. Windows
  // gives the path with backslashes; off Windows it is the host's, with
  // slashes.
  std::string path;
  if (platform::ModuleFileName(&path)) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos) path.resize(slash + 1);
  } else {
    path = ".\\";
  }
  path += kConfigFileName;
  if (path.size() <= run.configPath.kCapacity) run.configPath.Assign(path);
  return run.configPath.c_str();
}

void LoadConfiguration(RunState& run) {
  const std::string path = ConfigFilePath(run);
  if (path.empty()) return;
  // A log path too long for its field is not cut: the cut path would name
  // some other file. Read one character more to tell.
  const std::string log = platform::ReadProfileString(kConfigSection, kLogFileKey, "",
                                                      run.logFilePath.kCapacity + 2, path);
  if (log.size() <= run.logFilePath.kCapacity) run.logFilePath.Assign(log);
  run.mapiMode.Assign(
      platform::ReadProfileString(kConfigSection, kMapiKey, "", run.mapiMode.kCapacity + 1, path));
}

bool IsExtendedMapi(std::string_view mapiMode) {
  return platform::EqualsIgnoringAsciiCase(mapiMode, "EXTENDED");
}

}  // namespace j6
