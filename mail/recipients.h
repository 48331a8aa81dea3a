// The recipient list of a request: "a@x;b@y", optionally led by "!".
#pragma once

#include <vector>

namespace j6::mail {

/// Splits the list in place, as both senders do: after a leading "!", cut at
/// every ";" (empty pieces are skipped), and trim each piece's trailing
/// blanks. Returns the pieces in order; they point into `list`, which
/// afterwards ends at its first separator.
std::vector<char*> SplitRecipients(char* list);

}  // namespace j6::mail
