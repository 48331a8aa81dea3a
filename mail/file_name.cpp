#include "mail/file_name.h"

#include "platform/ascii.h"

namespace j6::mail {

namespace {

std::string_view AfterLastOf(std::string_view path, std::string_view separators) {
  const std::size_t cut = path.find_last_of(separators);
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::string_view HostFileName(std::string_view path) { return AfterLastOf(path, "\\"); }

std::string_view WindowsFileName(std::string_view path) { return AfterLastOf(path, "\\/"); }

std::string_view WindowsFileNameAfterDrive(std::string_view path) {
  return AfterLastOf(path, "\\/:");
}

bool IsDeviceName(std::string_view fileName) {
  std::string_view base = fileName.substr(0, fileName.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
    if (platform::EqualsIgnoringAsciiCase(base, device)) return true;
  }
  return base.size() == 4 &&
         (platform::EqualsIgnoringAsciiCase(base.substr(0, 3), "COM") ||
          platform::EqualsIgnoringAsciiCase(base.substr(0, 3), "LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}

}  // namespace j6::mail
