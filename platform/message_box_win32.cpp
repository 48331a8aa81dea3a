// Windows half of platform/message_box.h.
#include <windows.h>

#include "platform/message_box.h"
#include "platform/native.h"

namespace j6::platform {

void native::ShowMessageBox(const char* caption, const char* text, unsigned flags) {
  MessageBoxA(nullptr, text, caption, flags);
}

bool native::AskYesNo(const char* caption, const char* text, unsigned flags) {
  return MessageBoxA(nullptr, text, caption, flags) == IDYES;
}

}  // namespace j6::platform
