#include "run/warning.h"

#include "platform/message_box.h"

namespace j6 {

void ShowWarning(const char* text) {
  platform::ShowMessageBox(
      kWarningCaption, text,
      platform::kBoxSystemModal | platform::kBoxIconWarning | platform::kBoxOk);
}

}  // namespace j6
