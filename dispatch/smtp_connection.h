// The session side of the SMTP hand-over, made from the [SMTP] settings: the
// server's URL with the name the program greets it by, TLS, the time limit
// and the login. The sender and the check program's probe both go through it.
#pragma once

#include <string>
#include <string_view>

#include "net/net_transport.h"
#include "platform/credentials.h"
#include "run/run_state.h"

namespace j6 {

/// Whether a SERVER value holds a user or a password ("smtp://u:p@host"):
/// such a value is refused and never shown.
bool ServerHoldsLogin(std::string_view server);

/// SERVER as the log and the check program may show it.
std::string ShownServer(const SmtpSettings& smtp);

/// What the transport needs to open a session. It holds the stored
/// password or the bearer token, and wipes them when it goes.
class SmtpConnection {
 public:
  SmtpConnection() = default;
  ~SmtpConnection();
  SmtpConnection(const SmtpConnection&) = delete;
  SmtpConnection& operator=(const SmtpConnection&) = delete;

  /// Takes the settings (the server and the name it is greeted by) and signs
  /// in; false with what is wrong with them in `*error`.
  bool Open(const SmtpSettings& smtp, std::string* error);

  /// The connection fields of `mail`, pointing into this object.
  void FillIn(J6SmtpMail* mail) const;

 private:
  /// The sign-in AUTH chooses: one of the steps below.
  bool SignIn(const SmtpSettings& smtp, std::string* error);
  /// The login: USER, and the password stored for the server.
  bool SignInWithStoredPassword(const SmtpSettings& smtp, std::string* error);
  /// USER and an OAuth 2.0 access token, by the SASL mechanism of SASL.
  bool SignInWithBearerToken(const SmtpSettings& smtp, std::string* error);

  std::string url_;
  std::string user_;
  std::string caFile_;
  std::string netrc_;
  platform::StoredCredential credential_;
  bool stored_ = false;
  std::string bearer_;
  const char* mechanism_ = nullptr;
  int tls_ = J6SMTP_TLS_REQUIRED;
  long timeoutSeconds_ = 60;
};

}  // namespace j6
