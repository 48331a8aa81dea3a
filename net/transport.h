// How the program reaches the network transport. On Windows it is linked
// into the program with a static libcurl; elsewhere it is libJ6MailerNet.so,
// loaded only when a run needs it (the SMTP sender, the check's probe), so
// that a run that mails otherwise never loads libcurl and what libcurl
// loads. CMake picks the half.
#pragma once

#include <string>

#include "net/net_transport.h"
#include "platform/dynamic_library.h"

namespace j6::net {

/// The transport's functions, one for each row of net_transport.h's list,
/// all or nothing.
#define J6_NET_ENTRY(entry, Name, Parameters) J6MailerNet_##Name##Function entry = nullptr;
struct Transport {
  J6_NET_FUNCTIONS(J6_NET_ENTRY)
};
#undef J6_NET_ENTRY

/// Finds the transport; false with the reason in `*error`. A library loaded
/// for it lives in `library`, which must outlive its use.
bool FindTransport(platform::DynamicLibrary* library, Transport* transport, std::string* error);

}  // namespace j6::net
