// Private-profile (INI) files: the program's own configuration file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace j6::platform {

/// The value of `key` in `section` of the INI file at `filePath`, read with the
/// rules of GetPrivateProfileStringA and cut to bufferSize - 1 characters.
/// A missing file, section or key gives `defaultText` less its trailing
/// blanks; "key=" gives the empty text. `filePath` is in the form
/// ModuleFileName gives (on Windows UTF-8); the other texts, and the value,
/// are ANSI text.
std::string ReadProfileString(const char* section, const char* key, const char* defaultText,
                              std::size_t bufferSize, const std::string& filePath);

/// A path setting, at most `maxCharacters` characters as Windows counts them
/// (UTF-16 code units), or the empty text when there is none. On Windows it
/// is read wide and given in UTF-8, so that a folder named with letters the
/// ANSI code page lacks keeps them; off Windows as ReadProfileString gives
/// it. False, with `*value` empty, for a longer path: cut, it would name
/// another file.
bool ReadProfilePath(const char* section, const char* key, std::size_t maxCharacters,
                     const std::string& filePath, std::string* value);

/// The names of the file's sections, in the file's order, as
/// GetPrivateProfileStringA lists them for no section; none for a missing
/// file.
std::vector<std::string> ReadProfileSectionNames(const std::string& filePath);

/// The names of the keys of `section`, in the file's order, as
/// GetPrivateProfileStringA lists them for no key.
std::vector<std::string> ReadProfileKeyNames(const char* section, const std::string& filePath);

}  // namespace j6::platform
