// Each route's part of the check program, stamped from its row (run/routes.h):
// the desktop's check and its MAPI= line take a route's part here.
#pragma once

#include "check/report.h"
#include "run/run_state.h"

namespace j6::check {

struct RouteCheck {
  HandOverKind kind;
  const char* mapiValue;
  void (*check)(const RunState& run, Report& report);
  const char* says;  // what the MAPI= line says of it
};

/// The route check of `kind`; an unknown MAPI value's is Simple MAPI's.
const RouteCheck& RouteCheckOf(HandOverKind kind);

/// "SIMPLE, EXTENDED, SMTP or GRAPH": every route's MAPI= name.
std::string RouteNames();

/// The mail-client routes: the MAPI library, or the Extended wrapper, and
/// the default mail client.
void CheckSimpleRoute(const RunState& run, Report& report);
void CheckExtendedRoute(const RunState& run, Report& report);

}  // namespace j6::check
