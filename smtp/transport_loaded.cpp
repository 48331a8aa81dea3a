// The transport loaded from its library, through the outside table.
#include "smtp/transport.h"

namespace j6::smtp {

J6SmtpSendFunction FindTransport(platform::DynamicLibrary* library, std::string* error) {
  if (!library->Load("J6Smtp")) {
    *error = "cannot load J6Smtp: " + library->error();
    return nullptr;
  }
  const auto send = reinterpret_cast<J6SmtpSendFunction>(library->Symbol("J6Smtp_Send"));
  if (send == nullptr) *error = "J6Smtp lacks J6Smtp_Send";
  return send;
}

}  // namespace j6::smtp
