// The SMTP server's password where the program looks for it, for tests; and
// a client certificate in the system's store, where there is one.
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

/// A new self-signed certificate "CN=<name>" in the user's personal store,
/// its key made there by CryptoAPI: its DER and SHA-1 thumbprint (20
/// bytes). False where the system keeps no store.
bool MakeStoreCertificate(const std::string& name, std::string* der, std::string* thumbprint);

}  // namespace j6::test
