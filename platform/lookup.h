// What a look-up in one of the user's stores (the secret store, the
// Credential Manager, the netrc file) gives: one result type for all.
#pragma once

namespace j6::platform {

enum class Lookup {
  kFound,
  kNone,    // nothing is stored there
  kFailed,  // the store or the entry cannot be read: the reason is in the error
};

}  // namespace j6::platform
