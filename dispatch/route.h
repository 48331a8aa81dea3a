// Which sender each hand-over takes: the one switch on HandOverKind that
// hands a mail over, shared by the run driver and the check's test mail.
#pragma once

#include "dispatch/hand_over.h"
#include "run/run_state.h"

namespace j6 {

/// What the run does for one kind of hand-over.
struct Route {
  HandOver (*send)(RunState& run, bool wait);
  bool cancelIsNotSent;  // a cancel by the user gets the "Email not sent." box
};

Route RouteOf(HandOverKind kind);

}  // namespace j6
