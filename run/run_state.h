// The one process-wide record of everything a run learns about its request.
#pragma once

#include <cstdint>
#include <string>

#include "run/area_record.h"
#include "run/fixed_string.h"
#include "run/routes.h"

namespace j6 {

/// How long a run waits for another run that holds what it needs (the run of
/// its area, a refresh of its tokens) before it gives up: a compose form may
/// stay open that long.
constexpr std::uint32_t kOtherRunWaitMilliseconds = 10 * 60 * 1000;

/// The [SMTP] section of the configuration file, for the SMTP hand-over. A
/// value too long for its field is not kept cut (it would name another
/// server or file): the field stays empty and `overlong` names the key.
struct SmtpSettings {
  FixedString<259> server;  // smtp://host[:port] or smtps://host[:port]
  FixedString<15> tls;      // REQUIRED (also when empty or unknown), TRY or NONE
  FixedString<255> user;
  FixedString<255> from;    // when set, the sender of every mail; the registry's then Reply-To
  FixedString<259> caFile;  // empty: the system's trusted authorities
  FixedString<255> helo;    // the EHLO name; empty: the machine's own
  FixedString<259> proxy;   // an HTTP proxy that tunnels to the server; empty: none, ever
  long timeoutSeconds = 60;
  // The sign-in: PASSWORD (also when empty), the stored password; or OAUTH2,
  // a bearer token, with the OAuth keys of the section (RunState::smtpOAuth).
  FixedString<15> auth;
  FixedString<15> sasl;  // XOAUTH2 (also when empty) or OAUTHBEARER
  FixedString<15> overlong;
};

/// The [GRAPH] section, for the Graph hand-over; `overlong` as in SmtpSettings.
struct GraphSettings {
  FixedString<259> url;     // https:// only; empty: Microsoft's global service
  FixedString<255> user;    // the mailbox that sends: its address or object id
  FixedString<255> from;    // as [SMTP]'s; with neither it nor "MailFromEmail", USER
  FixedString<259> caFile;  // empty: the system's trusted authorities
  long timeoutSeconds = 60;
  FixedString<15> overlong;
};

struct GmailSettings {
  FixedString<259> url;     // https:// only; empty: Google's service
  FixedString<255> user;    // the mailbox that sends: its address
  FixedString<255> from;    // as [GRAPH]'s
  FixedString<259> caFile;  // empty: the system's trusted authorities
  long timeoutSeconds = 60;
  FixedString<15> overlong;
};

/// The OAuth 2.0 keys of a route's section, as written; the route makes its
/// client of them (oauth/client.h), and oauth/ reads that.
struct OAuthKeys {
  FixedString<511> tokenUrl;  // https:// only
  FixedString<255> clientId;
  FixedString<511> scope;         // sent as written; empty: none
  FixedString<31> grant;          // CLIENT_CREDENTIALS, REFRESH_TOKEN or SERVICE_ACCOUNT
  FixedString<255> clientCert;    // a certificate's thumbprint, or off Windows a key file
  FixedString<511> deviceUrl;     // for the one-time sign-in
  FixedString<511> authorizeUrl;  // for the one-time sign-in
};

/// Every stored credential of the program is named by this and more: the
/// SMTP server's login "J6Mailer:<SERVER as written>", an app's client
/// secret "J6Mailer:oauth:<CLIENT_ID>".
constexpr const char* kCredentialPrefix = "J6Mailer:";

/// The name of the stored credential of the SMTP server's login.
inline std::string CredentialTarget(const SmtpSettings& smtp) {
  return kCredentialPrefix + std::string(smtp.server.view());
}

/// Each stage fills some fields and reads others; stages pass nothing else
/// between them but the area name and small named results. The entry owns
/// the one of the process and hands it to each stage. Capacities are
/// those the host-side tools and stored files were built around.
struct RunState {
  FixedString<259> configPath;
  PathString<259> logFilePath;  // empty: no logging at all
  FixedString<99> mapiMode;     // as written, for the check program to show
  HandOverKind handOver = HandOverKind::kSimple;
  // PROXY: the way of every HTTPS request (run/https_proxy.h); `overlong`
  // names a key of [MAILCLIENT] too long for its field, as SmtpSettings'.
  FixedString<259> proxy;
  FixedString<15> overlong;
  SmtpSettings smtp;
  OAuthKeys smtpOAuth;  // of [SMTP]
  GraphSettings graph;
  OAuthKeys graphOAuth;  // of [GRAPH]
  GmailSettings gmail;
  OAuthKeys gmailOAuth;  // of [GMAIL]

  FixedString<25> outRoot;  // registry roots, ending in a backslash
  FixedString<25> clientRoot;
  FixedString<100> senderName;
  FixedString<100> senderEmail;
  bool senderEmailCut = false;  // "MailFromEmail" was longer than the field
  std::int32_t port = 8000;
  bool networkMode = false;
  bool deleteAreaFile = false;
  FixedString<100> networkDir;

  FixedString<255> areaFilePath;
  AreaRecord record;

  FixedString<100> serverName;  // the J6 server the transfer library asks
  FixedString<255> remoteDocumentPath;
  FixedString<255> documentPath;
  FixedString<1023> extraAttachmentPath;
  FixedString<15> extraAttachmentName;
  FixedString<50> recipients;
  FixedString<50> subject;
  FixedString<50> bodyLine1;
  FixedString<50> bodyLine2;
  FixedString<50> bodyLine3;
  FixedString<511> body;
};

}  // namespace j6
