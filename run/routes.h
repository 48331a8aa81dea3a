// The routes a mail is handed over by, one row each, as curl keeps a scheme
// in one row of its protocol table: nothing else names a route. Each layer
// stamps what it needs of the rows (the kind and the MAPI= value here, the
// sender, its sign-in and its API's waits in dispatch/route.cpp, the check in
// check/desktop_check.cpp); the columns a layer does not take are dropped
// unread, so that no layer reaches the functions of another.
#pragma once

// kind, how MAPI= names it (any case, the whole value), the section of its
// settings (null: none), its sender, whether a form cancelled by the user
// gets the "Email not sent." box, its OAuth client (null: none), its HTTPS
// API's policy (null: none), its part of the check program, and what the
// check says of it. A new route is its sender, its section's rows, its check
// and a row here.
#define J6_ROUTES(X)                                                                           \
  X(kSimple, "SIMPLE", nullptr, SendSimple, true, nullptr, nullptr, CheckSimpleRoute,          \
    "mail goes through Simple MAPI")                                                           \
  X(kExtended, "EXTENDED", nullptr, SendExtended, false, nullptr, nullptr, CheckExtendedRoute, \
    "mail goes through the Extended wrapper")                                                  \
  X(kSmtp, "SMTP", kSmtpSection, SendSmtp, false, &SmtpOAuthClientIfAny, nullptr, CheckSmtp,   \
    "mail goes to the server of [SMTP]")                                                       \
  X(kGraph, "GRAPH", kGraphSection, SendGraph, false, &GraphOAuthClientIfAny, &kGraphPolicy,   \
    CheckGraph, "mail goes to Microsoft Graph as the mailbox of [GRAPH]")                      \
  X(kGmail, "GMAIL", kGmailSection, SendGmail, false, &GmailOAuthClientIfAny, &kGmailPolicy,   \
    CheckGmail, "mail goes to Gmail's API as the mailbox of [GMAIL]")

namespace j6 {

/// The route the configuration's "MAPI" chose, read once; kUnknown, any
/// other value, is handed over as Simple MAPI, which the check warns of.
#define J6_ROUTE_KIND(kind, ...) kind,
enum class HandOverKind { J6_ROUTES(J6_ROUTE_KIND) kUnknown };
#undef J6_ROUTE_KIND

/// How many routes there are: a table of one row per route has this many.
inline constexpr int kRouteCount = static_cast<int>(HandOverKind::kUnknown);

}  // namespace j6
