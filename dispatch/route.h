// What each route does, stamped from its row (run/routes.h): the run driver,
// the check's test mail and its sign-in take a route's parts here, never by a
// switch of their own.
#pragma once

#include "dispatch/api_session.h"
#include "dispatch/hand_over.h"
#include "oauth/client.h"
#include "run/run_state.h"

namespace j6 {

struct Route {
  const char* mapiValue;  // as MAPI= names it
  const char* section;    // its settings' section; null: none
  HandOver (*send)(RunState& run, bool wait);
  /// Its OAuth client, when its settings sign in with OAuth 2.0; false when
  /// they do not (SMTP with a password). Null: a route that never does.
  bool (*oauthClient)(const RunState& run, oauth::OAuthClient* client);
  const ApiPolicy* policy;  // how its HTTPS API asks for waits; null: none
  HandOverKind kind;
  bool cancelIsNotSent;  // a cancel by the user gets the "Email not sent." box
};

/// The route of `kind`; an unknown MAPI value's is Simple MAPI's.
const Route& RouteOf(HandOverKind kind);

/// The OAuth client of the route `run` hands over by, when it signs in with
/// OAuth 2.0; false when it does not.
bool RouteOAuthClient(const RunState& run, oauth::OAuthClient* client);

}  // namespace j6
