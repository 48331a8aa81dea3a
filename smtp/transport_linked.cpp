// The transport linked into the program.
#include "smtp/transport.h"

namespace j6::smtp {

bool FindTransport(platform::DynamicLibrary* /*library*/, Transport* transport,
                   std::string* /*error*/) {
  transport->send = &J6Smtp_Send;
  transport->probe = &J6Smtp_Probe;
  return true;
}

}  // namespace j6::smtp
