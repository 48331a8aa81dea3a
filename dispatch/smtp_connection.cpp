#include "dispatch/smtp_connection.h"

#include <cstdio>

#include "dispatch/mail_text.h"
#include "mail/address.h"
#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/host_name.h"

namespace j6 {

namespace {

constexpr const char* kCredentialPrefix = "J6Mailer:";

int TlsMode(std::string_view setting) {
  if (platform::EqualsIgnoringAsciiCase(setting, "NONE")) return J6SMTP_TLS_NONE;
  if (platform::EqualsIgnoringAsciiCase(setting, "TRY")) return J6SMTP_TLS_TRY;
  return J6SMTP_TLS_REQUIRED;
}

std::string UrlEncoded(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
        c == '-') {
      out += c;
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(c));
      out += escape;
    }
  }
  return out;
}

/// curl greets the server (EHLO) with the URL's path: HELO, else a name
/// SERVER gives after the host, else the machine's fully qualified name.
/// Without one curl's own choice stays, the machine's bare name.
std::string AddGreetingName(const SmtpSettings& smtp, std::string* url) {
  const std::size_t rest = url->find_first_of("/?#", url->find("://") + 3);
  std::string name(smtp.helo.view());
  if (!name.empty()) {
    if (!mail::IsMailDomain(name)) return "HELO is not a host name: " + name;
    url->resize(rest == std::string::npos ? url->size() : rest);
  } else {
    if (rest != std::string::npos) return std::string();
    name = platform::FullyQualifiedHostName();
    if (name.find('.') == std::string::npos || !mail::IsMailDomain(name)) return std::string();
  }
  *url += "/" + UrlEncoded(name);
  return std::string();
}

}  // namespace

bool ServerHoldsLogin(std::string_view server) {
  return server.find('@') != std::string_view::npos;
}

std::string ShownServer(const SmtpSettings& smtp) {
  return ServerHoldsLogin(smtp.server.view()) ? "(not shown: it holds a user or password)"
                                              : std::string(smtp.server.view());
}

SmtpConnection::~SmtpConnection() {
  // The password leaves no copy behind in memory that is handed back.
  for (char& c : credential_.password) c = '\0';
}

std::string SmtpConnection::Open(const SmtpSettings& smtp) {
  if (!smtp.overlong.empty()) return std::string(smtp.overlong.view()) + " is too long";
  if (smtp.server.empty()) return "no server";
  const std::string server(smtp.server.view());
  // curl would log in with it, and the log and the check would show it.
  if (ServerHoldsLogin(server)) return "SERVER must not hold a user or password";
  if (!ServerUrl(server, &url_)) return "not an smtp:// or smtps:// server: " + server;
  std::string greeting = AddGreetingName(smtp, &url_);
  if (!greeting.empty()) return greeting;
  const std::string target = kCredentialPrefix + server;
  const platform::CredentialRead read = platform::ReadStoredCredential(target, &credential_);
  if (read == platform::CredentialRead::kMalformed) {
    return "the stored password of " + target + " is not as cmdkey stores it";
  }
  stored_ = read == platform::CredentialRead::kFound;
  user_ = !smtp.user.empty() ? std::string(smtp.user.view()) : credential_.user;
  netrc_ = platform::NetrcFile();
  caFile_ = smtp.caFile.empty() ? std::string() : platform::FileSystemPath(smtp.caFile.c_str());
  tls_ = TlsMode(smtp.tls.view());
  timeoutSeconds_ = smtp.timeoutSeconds;
  return std::string();
}

void SmtpConnection::FillIn(J6SmtpMail* mail) const {
  mail->url = url_.c_str();
  mail->tls = tls_;
  mail->caFile = caFile_.empty() ? nullptr : caFile_.c_str();
  mail->timeoutSeconds = timeoutSeconds_;
  mail->user = user_.empty() ? nullptr : user_.c_str();
  mail->password = stored_ ? credential_.password.c_str() : nullptr;
  mail->netrcFile = netrc_.empty() ? nullptr : netrc_.c_str();
}

}  // namespace j6
