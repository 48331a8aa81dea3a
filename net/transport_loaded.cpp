// The transport loaded from its library, through the outside table.
#include "net/transport.h"

namespace j6::net {

bool FindTransport(platform::DynamicLibrary* library, Transport* transport, std::string* error) {
  if (!library->Load("J6MailerNet")) {
    *error = "cannot load J6MailerNet: " + library->error();
    return false;
  }
#define J6_NET_LOADED(entry, Name, Parameters)                                               \
  transport->entry =                                                                         \
      reinterpret_cast<J6MailerNet_##Name##Function>(library->Symbol("J6MailerNet_" #Name)); \
  if (transport->entry == nullptr) {                                                         \
    *error = "J6MailerNet lacks J6MailerNet_" #Name;                                         \
    return false;                                                                            \
  }
  J6_NET_FUNCTIONS(J6_NET_LOADED)
#undef J6_NET_LOADED
  return true;
}

}  // namespace j6::net
