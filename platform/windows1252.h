// The ANSI code page of the program's users, Windows-1252, for the off-Windows
// readers and writers that meet Unicode text (registry files, mail headers).
#pragma once

namespace j6::platform {

/// The character a Windows-1252 byte stands for. The five bytes the code page
/// leaves undefined stand for the control characters of the same number, as
/// Windows' conversion tables have it.
char16_t Windows1252ToUnicode(unsigned char byte);

/// The Windows-1252 byte of a character, or '?' when the code page lacks it.
char UnicodeToWindows1252(char16_t unit);

}  // namespace j6::platform
