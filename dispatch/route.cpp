#include "dispatch/route.h"

#include "dispatch/extended_sender.h"
#include "dispatch/gmail_sender.h"
#include "dispatch/gmail_settings.h"
#include "dispatch/graph_sender.h"
#include "dispatch/graph_settings.h"
#include "dispatch/simple_sender.h"
#include "dispatch/smtp_sender.h"
#include "dispatch/smtp_settings.h"
#include "run/configuration_keys.h"

namespace j6 {

namespace {

#define J6_ROUTE_ROW(kind, mapi, section, send, cancelIsNotSent, oauthClient, policy, ...) \
  {mapi, section, &(send), oauthClient, policy, HandOverKind::kind, cancelIsNotSent},
constexpr Route kRoutes[] = {J6_ROUTES(J6_ROUTE_ROW)};
#undef J6_ROUTE_ROW

constexpr bool EachAtItsKind() {
  for (int i = 0; i < kRouteCount; ++i) {
    if (static_cast<int>(kRoutes[i].kind) != i) return false;
  }
  return sizeof kRoutes / sizeof kRoutes[0] == kRouteCount;
}
static_assert(EachAtItsKind(), "one row per route, in the order of HandOverKind");

}  // namespace

const Route& RouteOf(HandOverKind kind) {
  // Simple MAPI has always taken a MAPI value it does not know.
  return kind == HandOverKind::kUnknown ? kRoutes[static_cast<int>(HandOverKind::kSimple)]
                                        : kRoutes[static_cast<int>(kind)];
}

bool RouteOAuthClient(const RunState& run, oauth::OAuthClient* client) {
  const Route& route = RouteOf(run.handOver);
  return route.oauthClient != nullptr && route.oauthClient(run, client);
}

}  // namespace j6
