#include "app/run_mailer.h"

namespace j6 {

// Acquisition, composition and dispatch are not built yet: a named area is
// logged by the entry and nothing more happens.
void RunMailer(std::string_view /*areaName*/) {}

}  // namespace j6
