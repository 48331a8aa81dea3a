// POSIX half of tests/support/stored_password.h: a netrc file.
#include <filesystem>

#include "tests/support/environment.h"
#include "tests/support/stored_password.h"
#include "tests/support/temp_dir.h"

namespace j6::test {

bool StorePassword(const std::string& /*server*/, const std::string& host, const std::string& user,
                   const std::string& password, const std::string& folder) {
  const std::string netrc = (std::filesystem::path(folder) / "netrc").string();
  // A password with blanks goes in quotes, which curl reads.
  WriteFileBytes(netrc,
                 "machine " + host + "\nlogin " + user + "\npassword \"" + password + "\"\n");
  SetEnvironment("J6MAILER_NETRC", netrc);
  return true;
}

void ForgetPassword(const std::string& /*server*/) {
  SetEnvironment("J6MAILER_NETRC", "/nonexistent/netrc");
}

bool MakeStoreCertificate(const std::string& /*name*/, std::string* /*der*/,
                          std::string* /*thumbprint*/) {
  return false;
}

}  // namespace j6::test
