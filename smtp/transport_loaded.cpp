// The transport loaded from its library, through the outside table.
#include "smtp/transport.h"

namespace j6::smtp {

bool FindTransport(platform::DynamicLibrary* library, Transport* transport, std::string* error) {
  if (!library->Load("J6Smtp")) {
    *error = "cannot load J6Smtp: " + library->error();
    return false;
  }
  transport->send = reinterpret_cast<J6SmtpSendFunction>(library->Symbol("J6Smtp_Send"));
  transport->probe = reinterpret_cast<J6SmtpProbeFunction>(library->Symbol("J6Smtp_Probe"));
  if (transport->send == nullptr || transport->probe == nullptr) {
    *error = "J6Smtp lacks J6Smtp_Send or J6Smtp_Probe";
    return false;
  }
  return true;
}

}  // namespace j6::smtp
