#include "dispatch/route.h"

#include "dispatch/extended_sender.h"
#include "dispatch/graph_sender.h"
#include "dispatch/simple_sender.h"
#include "dispatch/smtp_sender.h"

namespace j6 {

Route RouteOf(HandOverKind kind) {
  switch (kind) {
    case HandOverKind::kSimple:
    case HandOverKind::kUnknown:
      // Simple MAPI has always told the user that a cancelled form sent
      // nothing.
      return {&SendSimple, true};
    case HandOverKind::kExtended:
      return {&SendExtended, false};
    case HandOverKind::kSmtp:
      return {&SendSmtp, false};
    case HandOverKind::kGraph:
      return {&SendGraph, false};
  }
  return {&SendSimple, true};
}

}  // namespace j6
