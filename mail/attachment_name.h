// The name a recipient sees for an attachment.
#pragma once

#include <string>
#include <string_view>

namespace j6::mail {

/// The name under which the file that `path` names is attached: the part
/// after its last backslash or slash (Windows takes either), each character
/// Windows forbids in a file name (< > : " | ? * and control characters)
/// made "_", trailing dots and blanks dropped, and "_" put before a device
/// name (CON, COM1, ...). A mail client saves the attachment under this
/// name, so it must be one file name that Windows can create.
std::string AttachmentDisplayName(std::string_view path);

}  // namespace j6::mail
