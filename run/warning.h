// The warning box: how the program tells the user that something failed.
#pragma once

namespace j6 {

constexpr const char* kWarningCaption = "J6Mailer - Office 2007 Edition";

/// A system-modal warning box with no owner window; waits until the user
/// closes it.
void ShowWarning(const char* text);

}  // namespace j6
