// Reads a registry export file the way regedit imports one, so that a file
// exported on a Windows desktop gives the program the data it would read
// there. Malformed lines are skipped, as regedit skips them.
#include "platform/reg_file.h"
#include "platform/line_reader.h"
#include "platform/windows1252.h"

#include <cstddef>
#include <iterator>
#include <utility>

#include "platform/registry.h"

namespace j6::platform {

namespace {

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

/// True when nothing but blanks and perhaps a comment is left.
bool OnlyComment(std::string_view text) {
  text = SkipBlanks(text);
  return text.empty() || text.front() == ';';
}

/// Windows-1252 upper case: ASCII, the Latin-1 letters and the few letters of
/// the 0x80 row that have a case partner.
unsigned char UpperCase(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
    return static_cast<unsigned char>(c - 0x20);
  }
  switch (c) {
    case 0x9A:
      return 0x8A;  // š
    case 0x9C:
      return 0x8C;  // œ
    case 0x9E:
      return 0x8E;  // ž
    case 0xFF:
      return 0x9F;  // ÿ
    default:
      return c;
  }
}

bool SameName(std::string_view a, std::string_view b) {
  return !RegistryNameLess()(a, b) && !RegistryNameLess()(b, a);
}

bool IsHeader(std::string_view line) {
  line = SkipBlanks(line);
  return line == "REGEDIT4" || line == "Windows Registry Editor Version 5.00";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/// Reads a quoted text up to its closing quote, `text` starting just after
/// the opening one; `*rest` is what follows the closing quote. False when
/// the quote is not closed or an escape is cut short.
bool Unquote(std::string_view text, std::string* unquoted, std::string_view* rest) {
  unquoted->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      *rest = text.substr(i + 1);
      return true;
    }
    if (c == '\\') {
      if (++i == text.size()) return false;
      c = text[i];
      // \\ and \" are what regedit writes; \n and \r it reads as well, and a
      // backslash before anything else is dropped. \0 makes the line invalid.
      if (c == '0') return false;
      if (c == 'n') c = '\n';
      if (c == 'r') c = '\r';
    }
    *unquoted += c;
  }
  return false;
}

/// Appends the comma-separated hex bytes of one line to `bytes`. A comma
/// followed by a backslash continues the list on the next line; a `;` ends
/// it. False on anything else that is not a byte.
bool ReadHexBytes(std::string_view text, std::string* bytes, bool* continued) {
  *continued = false;
  while (!text.empty()) {
    text = SkipBlanks(text);
    unsigned value = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && HexDigit(text[digits]) >= 0; ++digits) {
      value = value * 16 + static_cast<unsigned>(HexDigit(text[digits]));
      if (value > 0xFF) return false;
    }
    if (digits == 0) {
      if (!text.empty() && text.front() == '\\') {
        *continued = true;
        return OnlyComment(text.substr(1));
      }
      return !text.empty() && text.front() == ';';
    }
    *bytes += static_cast<char>(value);
    text.remove_prefix(digits);
    if (!text.empty() && text.front() != ',') return OnlyComment(text);
    if (!text.empty()) text.remove_prefix(1);
  }
  return true;
}

/// 1 to 8 hex digits, as 4 little-endian bytes.
bool ReadDword(std::string_view text, std::string* bytes) {
  text = SkipBlanks(text);
  std::uint32_t value = 0;
  std::size_t digits = 0;
  for (; digits < text.size() && HexDigit(text[digits]) >= 0; ++digits) {
    value = value << 4 | static_cast<std::uint32_t>(HexDigit(text[digits]));
  }
  if (digits == 0 || digits > 8 || !OnlyComment(text.substr(digits))) return false;
  for (int i = 0; i < 4; ++i) *bytes += static_cast<char>(value >> (8 * i) & 0xFF);
  return true;
}

/// "hex(N):" with N in hex; `*text` is left after the colon.
bool ReadHexType(std::string_view* text, std::uint32_t* type) {
  std::size_t digits = 0;
  std::uint32_t value = 0;
  for (; digits < text->size() && HexDigit((*text)[digits]) >= 0; ++digits) {
    value = value << 4 | static_cast<std::uint32_t>(HexDigit((*text)[digits]));
  }
  if (digits == 0 || digits > 8 || text->substr(digits, 2) != "):") return false;
  text->remove_prefix(digits + 2);
  *type = value;
  return true;
}

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

/// The path below HKEY_CURRENT_USER that a key line names; false for other
/// roots and for paths the registry refuses.
bool CurrentUserPath(std::string_view name, std::string* path) {
  if (name.size() < kRootName.size() || !SameName(name.substr(0, kRootName.size()), kRootName)) {
    return false;
  }
  name.remove_prefix(kRootName.size());
  if (name.empty()) {
    path->clear();
    return true;
  }
  return name.front() == '\\' && NormalizeKeyPath(name.substr(1), path);
}

class Parser {
 public:
  Parser(std::string_view text, bool unicode) : lines_(text), unicode_(unicode) {}

  RegistryHive Parse() {
    std::string_view line;
    if (!lines_.Next(&line) || !IsHeader(line)) return RegistryHive();
    while (lines_.Next(&line)) {
      line = SkipBlanks(line);
      if (line.empty()) continue;
      if (line.front() == '[') {
        KeyLine(line.substr(1));
      } else if (line.front() == '@') {
        ValueLine(std::string(), line.substr(1));
      } else if (line.front() == '"') {
        std::string name;
        std::string_view rest;
        if (Unquote(line.substr(1), &name, &rest)) ValueLine(name, rest);
      }
    }
    return std::move(hive_);
  }

 private:
  void KeyLine(std::string_view text) {
    // A blank after the bracket, or no closing bracket, makes no key line:
    // regedit passes over it and keeps the key it has open.
    const std::size_t close = text.rfind(']');
    if (text.empty() || IsBlank(text.front()) || close == std::string_view::npos) return;
    const std::string_view name = text.substr(0, close);
    key_ = nullptr;
    std::string path;
    if (!name.empty() && name.front() == '-') {
      if (CurrentUserPath(name.substr(1), &path) && !path.empty()) DeleteTree(path);
    } else if (CurrentUserPath(name, &path)) {
      key_ = &CreateKey(path);
    }
  }

  RegistryValues& CreateKey(const std::string& path) {
    for (std::size_t slash = path.find('\\'); slash != std::string::npos;
         slash = path.find('\\', slash + 1)) {
      hive_[path.substr(0, slash)];
    }
    return hive_[path];
  }

  void DeleteTree(std::string_view path) {
    for (auto it = hive_.begin(); it != hive_.end();) {
      const std::string& key = it->first;
      const bool inTree = SameName(key.substr(0, path.size()), path) &&
                          (key.size() == path.size() || key[path.size()] == '\\');
      it = inTree ? hive_.erase(it) : std::next(it);
    }
  }

  /// `text` follows the value's name. The value is read even when no key is
  /// open, so that its continuation lines are not taken for other lines.
  void ValueLine(const std::string& name, std::string_view text) {
    text = SkipBlanks(text);
    if (text.empty() || text.front() != '=') return;
    text = SkipBlanks(text.substr(1));
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

    if (!text.empty() && text.front() == '-') {
      if (key_ != nullptr && OnlyComment(text.substr(1))) key_->erase(name);
      return;
    }
    RegistryValue value;
    if (!ReadData(text, &value)) return;
    if (key_ != nullptr) (*key_)[name] = std::move(value);
  }

  bool ReadData(std::string_view text, RegistryValue* value) {
    std::string_view rest;
    if (text.substr(0, 1) == "\"") {
      value->type = kRegSz;
      if (!Unquote(text.substr(1), &value->data, &rest) || !OnlyComment(rest)) return false;
      value->data += '\0';
      return true;
    }
    if (text.substr(0, 6) == "dword:") {
      value->type = kRegDword;
      return ReadDword(text.substr(6), &value->data);
    }
    if (text.substr(0, 4) == "hex:") {
      value->type = kRegBinary;
      text.remove_prefix(4);
    } else if (text.substr(0, 4) == "hex(") {
      text.remove_prefix(4);
      if (!ReadHexType(&text, &value->type)) return false;
    } else {
      return false;
    }
    if (!ReadHexLines(text, &value->data)) return false;
    if (IsStringType(value->type) && !value->data.empty()) value->data = HexText(value->data);
    return true;
  }

  /// The bytes of a hex value, from its first line and the lines that
  /// continue it; blank and comment lines between them are passed over. The
  /// value is dropped, together with the offending line, when a continuation
  /// does not start with a byte; at the end of the file it keeps what it has.
  bool ReadHexLines(std::string_view text, std::string* bytes) {
    bool continued = false;
    if (!ReadHexBytes(text, bytes, &continued)) return false;
    std::string_view line;
    while (continued && lines_.Next(&line)) {
      line = SkipBlanks(line);
      if (OnlyComment(line)) continue;
      if (HexDigit(line.front()) < 0 || !ReadHexBytes(line, bytes, &continued)) return false;
    }
    return true;
  }

  /// Text types given as hex bytes are UTF-16LE in a Unicode file and ANSI
  /// otherwise; regedit adds the terminating zero when they lack one.
  std::string HexText(const std::string& bytes) const {
    if (!unicode_) return bytes.back() == '\0' ? bytes : bytes + '\0';
    std::string text = Windows1252FromUtf16(Utf16FromBytes(bytes, false));
    if (text.empty() || text.back() != '\0') text += '\0';
    return text;
  }

  LineReader lines_;
  bool unicode_;
  RegistryHive hive_;
  RegistryValues* key_ = nullptr;  // where values go; none after a key line not of ours
};

}  // namespace

bool RegistryNameLess::operator()(std::string_view a, std::string_view b) const {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = UpperCase(static_cast<unsigned char>(a[i]));
    const unsigned char y = UpperCase(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

bool NormalizeKeyPath(std::string_view path, std::string* normalized) {
  normalized->clear();
  if (!path.empty() && path.front() == '\\') return false;
  while (!path.empty()) {
    const std::size_t slash = path.find('\\');
    const std::string_view name = path.substr(0, slash);
    if (!name.empty()) {
      if (!normalized->empty()) *normalized += '\\';
      *normalized += name;
    }
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return true;
}

RegistryHive ParseRegistryFile(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    const std::string text = Windows1252FromUtf16(Utf16FromBytes(bytes.substr(2), false));
    return Parser(text, true).Parse();
  }
  return Parser(bytes, false).Parse();
}

}  // namespace j6::platform
