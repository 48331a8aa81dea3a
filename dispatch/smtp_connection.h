// The session side of the SMTP hand-over, made from the [SMTP] settings
// (dispatch/smtp_settings.h checks them): the server's URL with the name the
// program greets it by, TLS, the time limit and the login. The sender and the
// check program's probe both go through it.
#pragma once

#include <string>
#include <string_view>

#include "dispatch/smtp_settings.h"
#include "net/net_transport.h"
#include "oauth/client.h"
#include "oauth/settings.h"
#include "platform/credentials.h"
#include "run/run_state.h"

namespace j6 {

/// What the transport needs to open a session. It holds the stored
/// password or the bearer token, and wipes them when it goes.
class SmtpConnection {
 public:
  SmtpConnection() = default;
  ~SmtpConnection();
  SmtpConnection(const SmtpConnection&) = delete;
  SmtpConnection& operator=(const SmtpConnection&) = delete;

  /// Takes the session's settings, read once (ReadSmtpSession), and signs
  /// in; false with why it cannot.
  bool Open(const RunState& run, const SmtpSession& session, std::string* error);

  /// The connection fields of `mail`, pointing into this object.
  void FillIn(J6SmtpMail* mail) const;

  /// After the server refused the bearer token: a new one, once, when the
  /// refused one was reused from the store (revoked before it expired). A
  /// token fresh from the endpoint that is refused is not asked for again.
  /// False, leaving `*error` as it is when there is nothing to renew.
  bool RenewRefusedToken(std::string* error);

  /// Whether the session went without TLS, the server offering no STARTTLS.
  bool plainText() const { return plainText_ != 0; }

 private:
  /// The login: USER, and the password stored for the server.
  bool SignInWithStoredPassword(const SmtpSettings& smtp, std::string* error);
  /// USER and an OAuth 2.0 access token, by the SASL mechanism of SASL;
  /// `settings` as ReadSignIn read them.
  bool SignInWithBearerToken(const RunState& run, const oauth::OAuthSettings& settings,
                             std::string* error);

  std::string url_;
  std::string user_;
  std::string caFile_;
  std::string proxy_;  // "host:port" of [SMTP] PROXY; empty: none
  platform::StoredCredential credential_;
  bool stored_ = false;
  std::string bearer_;
  const char* mechanism_ = nullptr;
  oauth::OAuthClient client_;
  bool renewable_ = false;  // the token was reused: it may be renewed once
  mutable int plainText_ = 0;
  int tls_ = J6SMTP_TLS_REQUIRED;
  long timeoutSeconds_ = 60;
};

}  // namespace j6
