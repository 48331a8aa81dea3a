// The transport linked into the program.
#include "net/transport.h"

namespace j6::net {

bool FindTransport(platform::DynamicLibrary* /*library*/, Transport* transport,
                   std::string* /*error*/) {
#define J6_NET_LINKED(entry, Name, Parameters) transport->entry = &J6MailerNet_##Name;
  J6_NET_FUNCTIONS(J6_NET_LINKED)
#undef J6_NET_LINKED
  return true;
}

}  // namespace j6::net
