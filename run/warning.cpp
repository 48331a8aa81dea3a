#include "run/warning.h"

#include "platform/message_box.h"

namespace j6 {

void ShowWarning(const char* text) {
  platform::ShowMessageBox(
      kWarningCaption, text,
      platform::kBoxSystemModal | platform::kBoxIconWarning | platform::kBoxOk);
}

bool AskQuestion(const char* text) {
  return platform::AskYesNo(
      kWarningCaption, text,
      platform::kBoxSystemModal | platform::kBoxIconQuestion | platform::kBoxYesNo);
}

std::string MailSummary(std::string_view recipients, std::string_view subject,
                        std::string_view body) {
  return "To: " + std::string(recipients) + "\nSubject: " + std::string(subject) + "\n\n" +
         std::string(body);
}

}  // namespace j6
