// A secret the user types for the program to store (J6MailerCheck
// --store-secret): never shown as it is typed.
#pragma once

#include <string>

namespace j6::platform {

/// One line of standard input, its end not included, into `*secret`
/// (UTF-8): typed at the console without being echoed, else (a pipe, a
/// file, for a script that deploys desktops) as it comes. False, with the
/// reason, when there is none.
bool ReadSecretLine(std::string* secret, std::string* error);

}  // namespace j6::platform
