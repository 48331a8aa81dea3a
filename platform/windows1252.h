// The ANSI code page of the program's users, Windows-1252, for the readers
// and writers that meet Unicode text: off Windows the registry and INI files
// and the stand-ins' mail headers; everywhere the JSON Graph takes. Pure
// functions, built on every platform.
#pragma once

#include <string>
#include <string_view>

namespace j6::platform {

/// The character a Windows-1252 byte stands for. The five bytes the code page
/// leaves undefined stand for the control characters of the same number, as
/// Windows' conversion tables have it.
char16_t Windows1252ToUnicode(unsigned char byte);

/// The Windows-1252 byte of a UTF-16 code unit as Windows converts it
/// (WideCharToMultiByte without flags): the code page's own byte, else the
/// byte of its best fit (L with stroke, U+0141, gives 'L'; the minus sign '-'),
/// else '?'. Half of a surrogate pair has no byte of its own.
char UnicodeToWindows1252(char16_t unit);

/// UTF-16 text in Windows-1252, one byte per code unit (a character beyond
/// 16 bits becomes "??"), as the ANSI calls of Windows return it.
std::string Windows1252FromUtf16(std::u16string_view text);

/// Windows-1252 text in UTF-8.
std::string Utf8FromWindows1252(std::string_view text);

/// Windows-1252 text in UTF-16; it converts back unchanged.
std::u16string Utf16FromWindows1252(std::string_view text);

/// The UTF-16 code units of `bytes`, little- or big-endian; an odd last byte
/// makes no code unit.
std::u16string Utf16FromBytes(std::string_view bytes, bool bigEndian);

}  // namespace j6::platform
