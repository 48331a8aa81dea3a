#include "check/route_check.h"

#include <string>

#include "check/gmail_check.h"
#include "check/graph_check.h"
#include "check/library_check.h"
#include "check/mail_client_check.h"
#include "check/smtp_check.h"
#include "platform/stand_ins.h"

namespace j6::check {

namespace {

#define J6_ROUTE_CHECK_ROW(kind, mapi, section, send, cancel, oauth, policy, check, says) \
  {HandOverKind::kind, mapi, &(check), says},
const RouteCheck kRouteChecks[] = {J6_ROUTES(J6_ROUTE_CHECK_ROW)};
#undef J6_ROUTE_CHECK_ROW
static_assert(sizeof kRouteChecks / sizeof kRouteChecks[0] == kRouteCount, "one row per route");

/// Off Windows the mail stand-ins need no mail client.
bool StandIns() { return !platform::TheStandInPlaces().registryFile.empty(); }

}  // namespace

const RouteCheck& RouteCheckOf(HandOverKind kind) {
  return kind == HandOverKind::kUnknown ? kRouteChecks[static_cast<int>(HandOverKind::kSimple)]
                                        : kRouteChecks[static_cast<int>(kind)];
}

std::string RouteNames() {
  std::string names;
  for (int i = 0; i < kRouteCount; ++i) {
    if (i > 0) names += i + 1 == kRouteCount ? " or " : ", ";
    names += kRouteChecks[i].mapiValue;
  }
  return names;
}

void CheckSimpleRoute(const RunState& /*run*/, Report& report) {
  const Program program = ThisProgram();
  CheckSimpleMapi(program, report);
  CheckMailClient(program, false, StandIns(), report);
}

void CheckExtendedRoute(const RunState& /*run*/, Report& report) {
  const Program program = ThisProgram();
  CheckExtendedMapi(program, report);
  CheckMailClient(program, true, StandIns(), report);
}

}  // namespace j6::check
