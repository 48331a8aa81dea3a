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

/// Writes `secret`, protected for the current user, into `file` through a
/// temporary file beside it; `name`, the secret's, binds the protection to it
/// where the platform can.
bool Write(const std::string& file, const std::string& name, std::string_view secret,
           std::string* error);

SecretRead Read(const std::string& file, const std::string& name, std::string* secret,
                std::string* error);

/// True when no file is at `file` afterwards.
bool Remove(const std::string& file, std::string* error);

}  // namespace j6::platform::secret
