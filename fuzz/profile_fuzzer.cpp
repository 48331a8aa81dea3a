// The configuration file reader on any file content. The input is
//   byte 0  the buffer size (times 16 when byte 1 has bit 6)
//   byte 1  bits 0-1 the section, bits 2-3 the key, bits 4-5 the default, each
//           one of three fixed texts or the one the input gives; bit 7: no
//           file at all
//   then three zero-terminated texts (section, key, default) and the file.
// A file without a byte-order mark is read again as UTF-16 and UTF-8, which
// must give the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "platform/profile.h"
#include "platform/windows1252.h"

namespace {

using j6::fuzz::Require;

/// Takes the text up to the next zero byte (or the end) off the front.
std::string TakeText(std::string_view* input) {
  const std::size_t zero = input->find('\0');
  std::string text(input->substr(0, zero));
  input->remove_prefix(zero == std::string_view::npos ? input->size() : zero + 1);
  return text;
}

std::string Choose(unsigned choice, const char* a, const char* b, const char* c,
                   const std::string& given) {
  switch (choice & 3U) {
    case 0:
      return a;
    case 1:
      return b;
    case 2:
      return c;
    default:
      return given;
  }
}

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

/// The name with every control character and blank cut off both ends: at
/// least what the reader trims, so a core missing from the file means a name
/// the reader cannot find.
std::string_view Core(std::string_view name) {
  while (!name.empty() && static_cast<unsigned char>(name.front()) <= ' ') name.remove_prefix(1);
  while (!name.empty() && static_cast<unsigned char>(name.back()) <= ' ') name.remove_suffix(1);
  return name;
}

bool HasByteOrderMark(std::string_view text) {
  return text.substr(0, 3) == "\xEF\xBB\xBF" || text.substr(0, 2) == "\xFF\xFE" ||
         text.substr(0, 2) == "\xFE\xFF";
}

/// The Windows-1252 text with a byte-order mark: UTF-16 in either byte order,
/// or UTF-8.
std::string WithByteOrderMark(std::string_view text, int encoding) {
  std::string bytes = encoding == 0 ? "\xFF\xFE" : encoding == 1 ? "\xFE\xFF" : "\xEF\xBB\xBF";
  for (const char c : text) {
    const char16_t unit = j6::platform::Windows1252ToUnicode(static_cast<unsigned char>(c));
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    if (encoding == 0) {
      bytes += {low, high};
    } else if (encoding == 1) {
      bytes += {high, low};
    } else if (unit < 0x80) {
      bytes += low;
    } else if (unit < 0x800) {
      bytes += {static_cast<char>(0xC0 | unit >> 6), static_cast<char>(0x80 | (unit & 0x3F))};
    } else {
      bytes += {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | (unit >> 6 & 0x3F)),
                static_cast<char>(0x80 | (unit & 0x3F))};
    }
  }
  return bytes;
}

bool Absent(std::string_view name, const std::string& foldedText) {
  const std::string_view core = Core(name);
  return !core.empty() && foldedText.find(Folded(core)) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const unsigned control = data[1];
  const std::size_t bufferSize = static_cast<std::size_t>(data[0]) * ((control & 0x40U) ? 16 : 1);
  const bool noFile = (control & 0x80U) != 0;
  input.remove_prefix(2);
  const std::string givenSection = TakeText(&input);
  const std::string givenKey = TakeText(&input);
  const std::string givenDefault = TakeText(&input);
  const std::string text(input);

  const std::string section = Choose(control, "MAILCLIENT", " mailclient\t", "", givenSection);
  const std::string key = Choose(control >> 2, "LOGFILE", "mapi", " Mapi ", givenKey);
  const std::string defaultText =
      Choose(control >> 4, "", "C:\\Temp\\J6Mailer.log  ", "   ", givenDefault);

  static const std::string path = j6::fuzz::ScratchFolder() + "/J6MailerCfg.ini";
  static const std::string missing = j6::fuzz::ScratchFolder() + "/no such folder/x.ini";
  if (!noFile) j6::fuzz::WriteFile(path, text);
  const std::string result = j6::platform::ReadProfileString(
      section.c_str(), key.c_str(), defaultText.c_str(), bufferSize, noFile ? missing : path);

  if (bufferSize == 0) {
    Require(result.empty(), "text returned into a buffer of no size");
    return 0;
  }
  Require(result.size() <= bufferSize - 1, "more text than the buffer holds");
  // The file's text is Unicode; checked below through the same text in
  // Windows-1252.
  if (!noFile && HasByteOrderMark(text)) return 0;

  std::string_view fallback(defaultText);
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  const std::string expectedDefault(fallback.substr(0, bufferSize - 1));
  const std::string foldedText = Folded(text);
  if (noFile || Absent(key, foldedText) || Absent(section, foldedText)) {
    Require(result == expectedDefault, "a missing key did not give the default");
    return 0;
  }
  if (result != expectedDefault) {
    Require(text.find(result) != std::string::npos, "a value that is not in the file");
    Require(result.find_first_of("\r\n") == std::string::npos, "a value across lines");
  }
  // The same text in Unicode, after a byte-order mark, reads the same.
  for (int encoding = 0; encoding < 3 && !noFile; ++encoding) {
    j6::fuzz::WriteFile(path, WithByteOrderMark(text, encoding));
    Require(j6::platform::ReadProfileString(section.c_str(), key.c_str(), defaultText.c_str(),
                                            bufferSize, path) == result,
            "a file read otherwise in Unicode");
  }
  return 0;
}
