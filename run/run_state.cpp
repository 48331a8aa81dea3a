#include "run/run_state.h"

namespace j6 {

RunState& CurrentRun() {
  static RunState state;
  return state;
}

}  // namespace j6
