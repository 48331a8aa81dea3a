#include "mail/file_name.h"

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

}  // namespace j6::mail
