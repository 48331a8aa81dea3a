// The SMTP server's password where the program looks for it, for tests.
#pragma once

#include <string>

namespace j6::test {

/// Stores `user` and `password` (UTF-8) for the "SERVER" setting `server`,
/// whose host is `host`: on Windows as the generic credential
/// "J6Mailer:<server>" of the Credential Manager, written with CredWriteA
/// as cmdkey writes it; off Windows as the machine `host` of a netrc file in
/// `folder`, named by J6MAILER_NETRC. False when it could not be stored.
bool StorePassword(const std::string& server, const std::string& host, const std::string& user,
                   const std::string& password, const std::string& folder);

/// Removes what StorePassword stored.
void ForgetPassword(const std::string& server);

}  // namespace j6::test
