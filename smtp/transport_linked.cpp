// The transport linked into the program.
#include "smtp/transport.h"

namespace j6::smtp {

J6SmtpSendFunction FindTransport(platform::DynamicLibrary* /*library*/, std::string* /*error*/) {
  return &J6Smtp_Send;
}

}  // namespace j6::smtp
