#include "app/run_mailer.h"

#include "acquire/document_fetch.h"
#include "app/run_log.h"
#include "app/warning.h"

namespace j6 {

// Composition and dispatch are not built yet: a request ends once it has
// been acquired.
void RunMailer(std::string_view areaName) {
  if (AcquireRequest(areaName) <= 0) {
    LogLine("Errore di trasferimento del file da J6");
    ShowWarning("Email non spedita: errore di trasferimento file da J6");
    return;
  }
}

}  // namespace j6
