// How the program reaches the SMTP transport. On Windows it is linked into
// the program with a static libcurl; elsewhere it is libJ6Smtp.so, loaded
// only when the SMTP sender runs, so that a run that mails otherwise never
// loads libcurl and what libcurl loads. CMake picks the half.
#pragma once

#include <string>

#include "platform/dynamic_library.h"
#include "smtp/smtp_transport.h"

namespace j6::smtp {

/// The transport's functions.
struct Transport {
  J6SmtpSendFunction send = nullptr;
  J6SmtpProbeFunction probe = nullptr;
};

/// Finds the transport; false with the reason in `*error`. A library loaded
/// for it lives in `library`, which must outlive its use.
bool FindTransport(platform::DynamicLibrary* library, Transport* transport, std::string* error);

}  // namespace j6::smtp
