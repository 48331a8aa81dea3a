// Message boxes: the program's only way of telling the user something.
#pragma once

namespace j6::platform {

/// MessageBoxA flags the program uses.
constexpr unsigned kBoxOk = 0x0;
constexpr unsigned kBoxYesNo = 0x4;
constexpr unsigned kBoxIconQuestion = 0x20;
constexpr unsigned kBoxIconWarning = 0x30;
constexpr unsigned kBoxSystemModal = 0x1000;

/// Shows `text` under `caption` in a box with no owner window and waits until
/// the user closes it. The answer is of no interest to the program.
void ShowMessageBox(const char* caption, const char* text, unsigned flags);

/// Asks `text` under `caption` with Yes and No and waits for the answer:
/// true for Yes. A box that cannot be shown is a No. Off Windows the
/// question is printed as a box is, and answered by a line typed at the
/// terminal on standard input ("y" or "yes", any case); without a terminal
/// it is a No.
bool AskYesNo(const char* caption, const char* text, unsigned flags);

}  // namespace j6::platform
