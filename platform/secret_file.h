// Inside platform/ only: the platform's half of secret_store.h, as thin as
// the calls it makes. Paths are host paths (on Windows UTF-8).
#pragma once

#include <string>
#include <string_view>

#include "platform/secret_store.h"

namespace j6::platform::secret {

/// The store's folder, made when missing, ending in its separator; false,
/// with the reason in `*error`, when there is none to be had.
bool Folder(std::string* folder, std::string* error);

/// Makes the empty temporary file beside `file` that Replace will rename to
/// it, its path into `*temporary`; false with the system's reason alone.
bool MakeTemporary(const std::string& file, std::string* temporary, std::string* error);

/// Writes `secret`, protected for the current user, into the `temporary`
/// file MakeTemporary made, and renames it to `file`; `name`, the secret's,
/// binds the protection to it where the platform can. The temporary file is
/// gone afterwards, whatever happened.
bool Replace(const std::string& temporary, const std::string& file, const std::string& name,
             std::string_view secret, std::string* error);

Lookup Read(const std::string& file, const std::string& name, std::string* secret,
            std::string* error);

/// True when no file is at `file` afterwards (also the temporary files).
bool Remove(const std::string& file, std::string* error);

}  // namespace j6::platform::secret
