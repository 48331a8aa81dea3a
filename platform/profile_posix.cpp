// POSIX half of platform/profile.h: a reader that follows the Windows rules
// for the files a user may carry over from a Windows desktop. Windows reads
// the file as Unicode text (UTF-16 or UTF-8 after a byte-order mark, else the
// ANSI code page), finds the names in it and only then turns the value into
// the code page; so does this, lest a character the code page lacks be taken
// for the '=', quote or blank it would become.
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "emulation/posix_file.h"
#include "emulation/posix_path.h"
#include "platform/ascii.h"
#include "platform/line_reader.h"
#include "platform/profile.h"
#include "platform/windows1252.h"

namespace j6::platform {

namespace {

using Text = std::u16string_view;

constexpr char16_t kReplacement = 0xFFFD;

bool IsProfileSpace(char16_t c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A; }

Text Trim(Text text) {
  while (!text.empty() && IsProfileSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsProfileSpace(text.back())) text.remove_suffix(1);
  return text;
}

/// A value wrapped in a matching pair of quotes loses the pair.
Text Unquote(Text value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

/// Walks the lines as GetPrivateProfileStringA reads them: `onSection` gets
/// each section's name, `onKey` each key's name and value (lines before the
/// first section included). Either returns false to stop.
template <typename OnSection, typename OnKey>
void Walk(Text text, OnSection onSection, OnKey onKey) {
  BasicLineReader<char16_t> lines(text);
  Text line;
  while (lines.Next(&line)) {
    line = Trim(line);
    const std::size_t close = line.rfind(']');
    if (!line.empty() && line.front() == '[' && close != Text::npos) {
      if (!onSection(Trim(line.substr(1, close - 1)))) return;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == Text::npos) continue;
    if (!onKey(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)))) return;
  }
}

/// Calls `onKey` with the name and value of each key of the first section
/// of that name, until it returns false.
template <typename OnKey>
void WalkSection(Text text, Text section, OnKey onKey) {
  bool inSection = false;
  Walk(
      text,
      [&](Text name) {
        if (inSection) return false;  // only the first section of a name counts
        inSection = EqualsIgnoringAsciiCase(name, section);
        return true;
      },
      [&](Text name, Text value) { return !inSection || onKey(name, value); });
}

/// Finds the key in the first section of that name; false when either is
/// missing.
bool FindValue(Text text, Text section, Text key, Text* value) {
  bool found = false;
  WalkSection(text, section, [&](Text name, Text entry) {
    if (!EqualsIgnoringAsciiCase(name, key)) return true;
    *value = Unquote(entry);
    found = true;
    return false;
  });
  return found;
}

/// The code point of the UTF-8 sequence after `lead`, read as Windows reads
/// it (MultiByteToWideChar), or -1 for U+FFFD: for a byte that starts no
/// sequence, or a sequence that breaks off or encodes what UTF-8 may not (an
/// overlong form, a surrogate, beyond U+10FFFF). `*at` moves past the bytes
/// taken; a sequence cut short by the end of the text takes all the rest.
long ReadSequence(unsigned char lead, std::string_view bytes, std::size_t* at) {
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 1
                             : lead >= 0xE0 && lead <= 0xEF ? 2
                             : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                            : 0;
  if (length == 0) return -1;
  if (*at + length > bytes.size()) {
    *at = bytes.size();
    return -1;
  }
  long code = lead & (0x7F >> (length + 1));
  for (std::size_t left = length; left-- > 0;) {
    const long next = static_cast<unsigned char>(bytes[*at]) ^ 0x80;
    if (next >= 0x40) return -1;
    code = code << 6 | next;
    // Windows leaves the byte that makes the code point too large, and takes
    // the one that shows it overlong or a surrogate.
    if (left == 1 && code >= 0x110000 >> 6) return -1;
    ++*at;
    if ((left == 2 && code < 0x10) ||
        (left == 1 && (code < 0x20 || (code >= 0xD800 >> 6 && code <= 0xDFFF >> 6)))) {
      return -1;
    }
  }
  return code;
}

/// UTF-8 text in UTF-16, as Windows decodes it.
std::u16string FromUtf8(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i++]);
    const long code = lead < 0x80 ? lead : ReadSequence(lead, bytes, &i);
    if (code < 0) {
      text += kReplacement;
    } else if (code > 0xFFFF) {
      text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      text += static_cast<char16_t>(code);
    }
  }
  return text;
}

/// The file's text by its byte-order mark.
std::u16string Decode(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return FromUtf8(bytes.substr(3));
  if (bytes.substr(0, 2) == "\xFF\xFE") return Utf16FromBytes(bytes.substr(2), false);
  if (bytes.substr(0, 2) == "\xFE\xFF") return Utf16FromBytes(bytes.substr(2), true);
  return Utf16FromWindows1252(bytes);
}

/// The file's text; null when it cannot be read. A run asks for its
/// settings one at a time: the file is read again only when it changed, as
/// Windows keeps the last profile file it read.
std::shared_ptr<const std::u16string> FileText(const std::string& filePath) {
  static std::mutex lock;
  static FileSnapshot file;
  static std::shared_ptr<const std::u16string> text;
  const std::lock_guard<std::mutex> guard(lock);
  std::string bytes;
  switch (file.Refresh(PosixPath(filePath), &bytes)) {
    case FileSnapshot::Change::kUnreadable:
      text = nullptr;
      break;
    case FileSnapshot::Change::kNew:
      text = std::make_shared<const std::u16string>(Decode(bytes));
      break;
    case FileSnapshot::Change::kNone:
      break;
  }
  return text;
}

}  // namespace

std::string ReadProfileString(const char* section, const char* key, const char* defaultText,
                              std::size_t bufferSize, const std::string& filePath) {
  if (bufferSize == 0) return std::string();
  const auto text = FileText(filePath);
  const std::u16string sectionName = Utf16FromWindows1252(section != nullptr ? section : "");
  const std::u16string keyName = Utf16FromWindows1252(key != nullptr ? key : "");
  Text value;
  std::string result;
  if (text != nullptr && FindValue(*text, Trim(sectionName), Trim(keyName), &value)) {
    result = Windows1252FromUtf16(value);
  } else {
    std::string_view fallback(defaultText != nullptr ? defaultText : "");
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    result.assign(fallback);
  }
  if (result.size() > bufferSize - 1) result.resize(bufferSize - 1);
  return result;
}

bool ReadProfilePath(const char* section, const char* key, std::size_t maxCharacters,
                     const std::string& filePath, std::string* value) {
  // Each character the file holds is one byte of the code page here.
  *value = ReadProfileString(section, key, "", maxCharacters + 2, filePath);
  if (value->size() <= maxCharacters) return true;
  value->clear();
  return false;
}

std::vector<std::string> ReadProfileSectionNames(const std::string& filePath) {
  const auto text = FileText(filePath);
  std::vector<std::string> names;
  if (text == nullptr) return names;
  Walk(
      *text,
      [&](Text name) {
        names.push_back(Windows1252FromUtf16(name));
        return true;
      },
      [](Text, Text) { return true; });
  return names;
}

std::vector<std::string> ReadProfileKeyNames(const char* section, const std::string& filePath) {
  const auto text = FileText(filePath);
  const std::u16string sectionName = Utf16FromWindows1252(section != nullptr ? section : "");
  std::vector<std::string> names;
  if (text == nullptr) return names;
  WalkSection(*text, Trim(sectionName), [&](Text name, Text) {
    names.push_back(Windows1252FromUtf16(name));
    return true;
  });
  return names;
}

}  // namespace j6::platform
