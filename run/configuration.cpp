#include "run/configuration.h"

#include <string>

#include "platform/ascii.h"
#include "platform/module_path.h"
#include "platform/profile.h"
#include "run/run_state.h"

namespace j6 {

namespace {

constexpr long kDefaultTimeout = 60;
constexpr long kLongestTimeout = 3600;

/// Reads one row's key by its rule into its field.
void ReadKey(const ConfigKey& row, const std::string& path, RunState& run) {
  std::string value;
  switch (row.rule) {
    case KeyRule::kPath:
      if (!platform::ReadProfilePath(row.section, row.key, row.capacity, path, &value)) return;
      break;
    case KeyRule::kCut:
      value = platform::ReadProfileString(row.section, row.key, "", row.capacity + 1, path);
      break;
    case KeyRule::kWhole:
      // One character more than fits tells a value that does not.
      value = platform::ReadProfileString(row.section, row.key, "", row.capacity + 2, path);
      if (value.size() > row.capacity) {
        Overlong& overlong = row.overlong(run);
        if (overlong.empty()) overlong.Assign(row.key);
        return;
      }
      break;
  }
  row.store(run, value);
}

}  // namespace

long TimeoutSeconds(std::string_view text) {
  if (text.empty() || text.size() > 4) return kDefaultTimeout;
  long seconds = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return kDefaultTimeout;
    seconds = seconds * 10 + (c - '0');
  }
  return seconds >= 1 && seconds <= kLongestTimeout ? seconds : kDefaultTimeout;
}

void StoreHandOver(RunState& run, std::string_view value) {
  run.mapiMode.Assign(value);
  run.handOver = ParseHandOverKind(run.mapiMode.view());
}

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
  for (const ConfigKey& row : kConfigKeys) ReadKey(row, path, run);
}

HandOverKind ParseHandOverKind(std::string_view mapiMode) {
  if (mapiMode.empty()) return HandOverKind::kSimple;
#define J6_ROUTE_NAMED(kind, mapi, ...) \
  if (platform::EqualsIgnoringAsciiCase(mapiMode, mapi)) return HandOverKind::kind;
  J6_ROUTES(J6_ROUTE_NAMED)
#undef J6_ROUTE_NAMED
  return HandOverKind::kUnknown;
}

}  // namespace j6
