#include "acquire/area_file.h"

#include <cstdio>

#include "mail/file_name.h"
#include "platform/files.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace j6 {

namespace {
constexpr std::size_t kMaxAreaFileNameLength = 29;
}  // namespace

std::string_view AreaFileName(std::string_view areaName) {
  return areaName.substr(0, kMaxAreaFileNameLength);
}

std::string AreaPathIn(std::string_view networkDir, std::string_view tail) {
  std::string path(networkDir);
  if (path.empty() || path.back() != '\\') path += '\\';
  path += tail;
  return path;
}

bool ReadAreaFile(RunState& run, std::string_view areaName) {
  const std::string_view name = AreaFileName(areaName);
  run.areaFilePath.Assign(AreaPathIn(run.networkDir.view(), "mqbox\\" + std::string(name)));
  const std::string path(run.areaFilePath.view());

  std::FILE* file = nullptr;
  if (areaName.find_first_of("\\/:") == std::string_view::npos && !mail::IsDeviceName(name)) {
    file = platform::OpenFile(path, "rb");
  }
  if (file == nullptr) {
    LogLine("J6FTPara: could not open cobol area file %s", path.c_str());
    return false;
  }
  const std::size_t read = std::fread(run.record.bytes.data(), 1, AreaRecord::kSize, file);
  std::fclose(file);
  if (read < AreaRecord::kSize) {
    LogLine("J6FTPara: i/o error reading cobol area file %s", path.c_str());
    return false;
  }
  if (run.networkMode && run.deleteAreaFile) platform::DeleteFileAt(path);
  return true;
}

}  // namespace j6
