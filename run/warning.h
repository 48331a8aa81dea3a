// The warning box: how the program tells the user that something failed.
#pragma once

#include <string>
#include <string_view>

namespace j6 {

constexpr const char* kWarningCaption = "J6Mailer - Office 2007 Edition";

/// A system-modal warning box with no owner window; waits until the user
/// closes it.
void ShowWarning(const char* text);

/// A system-modal question box with Yes and No, under the same caption;
/// true for Yes.
bool AskQuestion(const char* text);

/// A mail as the boxes show it: "To: ", the list, "Subject: " and the
/// subject on lines of their own, a blank line and the body.
std::string MailSummary(std::string_view recipients, std::string_view subject,
                        std::string_view body);

}  // namespace j6
