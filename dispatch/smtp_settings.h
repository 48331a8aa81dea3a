// The [SMTP] settings checked once: every rule by which a run refuses one of
// them, with the run's reason, for the sender and the check program alike,
// and the places and the OAuth client they name.
#pragma once

#include <string>
#include <string_view>

#include "dispatch/mail_addresses.h"
#include "oauth/client.h"
#include "oauth/settings.h"
#include "platform/credentials.h"
#include "run/run_state.h"

namespace j6 {

enum class SmtpSignIn {
  kPassword,  // AUTH empty or PASSWORD
  kOAuth2,    // AUTH=OAUTH2
  kUnknown,   // anything else: refused, never taken as a password's sign-in
};

/// The sign-in AUTH chooses (the whole value, any case).
SmtpSignIn SignInOf(const SmtpSettings& smtp);

enum class SmtpTls {
  kRequired,  // REQUIRED, also when empty or unknown: STARTTLS must succeed
  kTry,       // TRY: STARTTLS when offered
  kNone,      // NONE: plain text, for a relay on a trusted network
};

/// The TLS that TLS chooses (any case).
SmtpTls TlsOf(const SmtpSettings& smtp);

/// Whether a SERVER value holds a user or a password ("smtp://u:p@host"):
/// such a value is refused and never shown.
bool ServerHoldsLogin(std::string_view server);

/// The URL of a "SERVER" setting: the scheme (smtp:// when there is none)
/// and the port (587 for smtp://, 465 for smtps://) filled in. False for
/// another scheme, or no host.
bool ServerUrl(std::string_view setting, std::string* url);

/// SERVER as the log and the check program may show it.
std::string ShownServer(const SmtpSettings& smtp);

/// The server's URL for the transport, with the name it is greeted by;
/// false with what is wrong: a value too long, no server, a user or password
/// in it, another scheme, a HELO that is no host name.
bool ReadServer(const SmtpSettings& smtp, std::string* url, std::string* error);

/// The authorities the session trusts (platform::AuthorityFile of CAFILE)
/// into `*path`; none needed without TLS (TLS=NONE on smtp://). False with
/// the reason when there are none to trust.
bool ReadAuthorities(const SmtpSettings& smtp, std::string* path, std::string* error);

/// The sign-in's settings: AUTH a known value, and with OAUTH2 the OAuth
/// client's settings into `*oauth`. False with what is wrong.
bool ReadSignIn(const RunState& run, oauth::OAuthSettings* oauth, std::string* error);

/// The session's settings, read once for a run: the server's URL, the
/// authorities, the sign-in and its OAuth settings.
struct SmtpSession {
  std::string url;
  std::string caFile;  // as the TLS library opens it; empty: the system's
  SmtpSignIn signIn = SmtpSignIn::kPassword;
  oauth::OAuthSettings oauth;  // with kOAuth2
};

/// ReadServer, ReadAuthorities and ReadSignIn in the order a run checks
/// them, into `*session`; false with the first reason.
bool ReadSmtpSession(const RunState& run, SmtpSession* session, std::string* error);

/// ReadSmtpSession, then the sender read into `*sender`; false with the
/// first reason. Nothing here asks the network or a store.
bool CheckSmtpSettings(const RunState& run, SmtpSession* session, std::string* sender,
                       std::string* error);

/// Where the server's login is stored: "J6Mailer:<SERVER as written>"; off
/// Windows the netrc entry of SERVER's host with USER as its login (the
/// first entry for the host when USER is empty).
platform::CredentialPlace SmtpLoginPlace(const SmtpSettings& smtp);

/// The server's stored login, looked for where SmtpLoginPlace says, then,
/// when nothing is there, under the "J6Mailer:smtp://host:port" form of the
/// same server (a SERVER written without scheme or port, a credential
/// stored with them, or the other way round). `*target` names where it was
/// found, or, when it was not, each name looked for ("J6Mailer:a or
/// J6Mailer:b"). The run and the check both read it so.
platform::Lookup ReadSmtpLogin(const SmtpSettings& smtp, platform::StoredCredential* credential,
                               std::string* target, std::string* error);

/// The OAuth client of [SMTP]: its OAuth keys, USER, SERVER, CAFILE and
/// TIMEOUT; its tokens stored under SERVER and USER; its client secret once
/// kept as the server's password (never sent from there).
oauth::OAuthClient SmtpOAuthClient(const RunState& run);

/// SmtpOAuthClient when AUTH=OAUTH2; false with a password's sign-in.
bool SmtpOAuthClientIfAny(const RunState& run, oauth::OAuthClient* client);

}  // namespace j6
