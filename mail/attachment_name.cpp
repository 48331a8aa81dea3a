#include "mail/attachment_name.h"

#include <cstring>

#include "mail/file_name.h"

namespace j6::mail {

std::string AttachmentDisplayName(std::string_view path) {
  std::string name(mail::WindowsFileName(path));
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || std::strchr("<>:\"|?*", c) != nullptr) c = '_';
  }
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (IsDeviceName(name)) name.insert(0, "_");
  return name;
}

}  // namespace j6::mail
