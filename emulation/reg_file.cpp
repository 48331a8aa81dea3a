// Reads a registry export file the way regedit imports one, so that a file
// exported on a Windows desktop gives the program the data it would read
// there. Malformed lines are skipped, as regedit skips them. A Unicode file is
// parsed as UTF-16, as regedit parses it, and only names and texts are turned
// into Windows-1252: a character the code page lacks must not become a quote
// or a bracket of the file's syntax.
#include "emulation/reg_file.h"

#include "platform/ascii.h"
#include "platform/line_reader.h"
#include "platform/windows1252.h"

#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace j6::platform {

namespace {

constexpr std::string_view kCurrentUserName = "HKEY_CURRENT_USER";
constexpr std::string_view kLocalMachineName = "HKEY_LOCAL_MACHINE";

/// Windows-1252 upper case: ASCII, the Latin-1 letters and the few letters of
/// the 0x80 row that have a case partner. A table, as names are compared
/// byte by byte for every key of the file.
constexpr auto kUpperCase = [] {
  struct Table {
    unsigned char of[256];
  } table{};
  for (int c = 0; c < 256; ++c) {
    const bool lower = (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
    table.of[c] = static_cast<unsigned char>(lower ? c - 0x20 : c);
  }
  table.of[0x9A] = 0x8A;  // š
  table.of[0x9C] = 0x8C;  // œ
  table.of[0x9E] = 0x8E;  // ž
  table.of[0xFF] = 0x9F;  // ÿ
  return table;
}();

/// The next name of a normalized key path, taken off its front.
std::string_view NextName(std::string_view* path) {
  const std::size_t slash = path->find('\\');
  const std::string_view name = path->substr(0, slash);
  path->remove_prefix(slash == std::string_view::npos ? path->size() : slash + 1);
  return name;
}

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

/// The file's syntax, over bytes (an ANSI file) or UTF-16 code units (a
/// Unicode one).
template <typename Char>
class Parser {
 public:
  using View = std::basic_string_view<Char>;
  static constexpr bool kUnicode = std::is_same_v<Char, char16_t>;

  Parser(View text, RegistryRoot root)
      : lines_(text),
        rootName_(root == RegistryRoot::kLocalMachine ? kLocalMachineName : kCurrentUserName) {}

  RegistryHive Parse() {
    View line;
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
        View rest;
        if (Unquote(line.substr(1), &name, &rest)) ValueLine(name, rest);
      }
    }
    return std::move(hive_);
  }

 private:
  static bool IsBlank(Char c) { return c == ' ' || c == '\t'; }

  static View SkipBlanks(View text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
  }

  /// True when nothing but blanks and perhaps a comment is left.
  static bool OnlyComment(View text) {
    text = SkipBlanks(text);
    return text.empty() || text.front() == ';';
  }

  static bool StartsWith(View text, std::string_view ascii) {
    if (text.size() < ascii.size()) return false;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
      if (text[i] != static_cast<Char>(ascii[i])) return false;
    }
    return true;
  }

  static bool IsHeader(View line) {
    line = SkipBlanks(line);
    for (const std::string_view header : {"REGEDIT4", "Windows Registry Editor Version 5.00"}) {
      if (line.size() == header.size() && StartsWith(line, header)) return true;
    }
    return false;
  }

  static int HexDigit(Char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  static char Narrow(Char c) {
    if constexpr (kUnicode) {
      return UnicodeToWindows1252(c);
    } else {
      return c;
    }
  }

  static std::string Narrow(View text) {
    if constexpr (kUnicode) {
      return Windows1252FromUtf16(text);
    } else {
      return std::string(text);
    }
  }

  /// Reads a quoted text up to its closing quote, `text` starting just after
  /// the opening one; `*rest` is what follows the closing quote. False when
  /// the quote is not closed or an escape is cut short.
  static bool Unquote(View text, std::string* unquoted, View* rest) {
    unquoted->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
      Char c = text[i];
      if (c == '"') {
        *rest = text.substr(i + 1);
        return true;
      }
      if (c == '\\') {
        if (++i == text.size()) return false;
        c = text[i];
        // \\ and \" are what regedit writes; \n and \r it reads as well, and
        // a backslash before anything else is dropped. \0 makes the line
        // invalid.
        if (c == '0') return false;
        if (c == 'n') c = '\n';
        if (c == 'r') c = '\r';
      }
      *unquoted += Narrow(c);
    }
    return false;
  }

  /// Appends the comma-separated hex bytes of one line to `bytes`. A comma
  /// followed by a backslash continues the list on the next line; a `;` ends
  /// it. False on anything else that is not a byte.
  static bool ReadHexBytes(View text, std::string* bytes, bool* continued) {
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
  static bool ReadDword(View text, std::string* bytes) {
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
  static bool ReadHexType(View* text, std::uint32_t* type) {
    std::size_t digits = 0;
    std::uint32_t value = 0;
    for (; digits < text->size() && HexDigit((*text)[digits]) >= 0; ++digits) {
      value = value << 4 | static_cast<std::uint32_t>(HexDigit((*text)[digits]));
    }
    if (digits == 0 || digits > 8 || !StartsWith(text->substr(digits), "):")) return false;
    text->remove_prefix(digits + 2);
    *type = value;
    return true;
  }

  /// The path below the hive's root that a key line names; false for other
  /// roots and for paths the registry refuses.
  bool PathInHive(View name, std::string* path) const {
    if (name.size() < rootName_.size()) return false;
    for (std::size_t i = 0; i < rootName_.size(); ++i) {
      if (AsciiUpper(name[i]) != static_cast<Char>(rootName_[i])) return false;
    }
    name.remove_prefix(rootName_.size());
    if (name.empty()) {
      path->clear();
      return true;
    }
    return name.front() == '\\' && NormalizeKeyPath(Narrow(name.substr(1)), path);
  }

  void KeyLine(View text) {
    // A blank after the bracket, or no closing bracket, makes no key line:
    // regedit passes over it and keeps the key it has open.
    const std::size_t close = text.rfind(']');
    if (text.empty() || IsBlank(text.front()) || close == View::npos) return;
    View name = text.substr(0, close);
    const bool remove = !name.empty() && name.front() == '-';
    if (remove) name.remove_prefix(1);
    key_ = nullptr;
    std::string path;
    if (!PathInHive(name, &path)) return;
    if (!remove) {
      key_ = &hive_.Create(path);
    } else if (!path.empty()) {
      hive_.Delete(path);
    }
  }

  /// `text` follows the value's name. The value is read even when no key is
  /// open, so that its continuation lines are not taken for other lines.
  void ValueLine(const std::string& name, View text) {
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

  bool ReadData(View text, RegistryValue* value) {
    View rest;
    if (StartsWith(text, "\"")) {
      value->type = kRegSz;
      if (!Unquote(text.substr(1), &value->data, &rest) || !OnlyComment(rest)) return false;
      value->data += '\0';
      return true;
    }
    if (StartsWith(text, "dword:")) {
      value->type = kRegDword;
      return ReadDword(text.substr(6), &value->data);
    }
    if (StartsWith(text, "hex:")) {
      value->type = kRegBinary;
      text.remove_prefix(4);
    } else if (StartsWith(text, "hex(")) {
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
  bool ReadHexLines(View text, std::string* bytes) {
    bool continued = false;
    if (!ReadHexBytes(text, bytes, &continued)) return false;
    View line;
    while (continued && lines_.Next(&line)) {
      line = SkipBlanks(line);
      if (OnlyComment(line)) continue;
      if (HexDigit(line.front()) < 0 || !ReadHexBytes(line, bytes, &continued)) return false;
    }
    return true;
  }

  /// Text types given as hex bytes are UTF-16LE in a Unicode file and ANSI
  /// otherwise; regedit adds the terminating zero when they lack one.
  static std::string HexText(const std::string& bytes) {
    std::string text = kUnicode ? Windows1252FromUtf16(Utf16FromBytes(bytes, false)) : bytes;
    if (text.empty() || text.back() != '\0') text += '\0';
    return text;
  }

  BasicLineReader<Char> lines_;
  std::string_view rootName_;
  RegistryHive hive_;
  RegistryValues* key_ = nullptr;  // where values go; none after a key line not of ours
};

}  // namespace

bool RegistryNameLess::operator()(std::string_view a, std::string_view b) const {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = kUpperCase.of[static_cast<unsigned char>(a[i])];
    const unsigned char y = kUpperCase.of[static_cast<unsigned char>(b[i])];
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

RegistryHive::RegistryHive() : keys_(1) {}

std::size_t RegistryHive::Walk(std::string_view path) const {
  std::size_t key = 0;
  while (!path.empty()) {
    const auto& subkeys = keys_[key].subkeys;
    const auto found = subkeys.find(NextName(&path));
    if (found == subkeys.end()) return kNone;
    key = found->second;
  }
  return key;
}

const RegistryValues* RegistryHive::Find(std::string_view path) const {
  const std::size_t key = Walk(path);
  return key == kNone ? nullptr : &keys_[key].values;
}

std::vector<std::string> RegistryHive::SubkeyNames(std::string_view path) const {
  std::vector<std::string> names;
  const std::size_t key = Walk(path);
  if (key == kNone) return names;
  for (const auto& subkey : keys_[key].subkeys) names.push_back(subkey.first);
  return names;
}

RegistryValues& RegistryHive::Create(std::string_view path) {
  std::size_t key = 0;
  while (!path.empty()) {
    const std::string_view name = NextName(&path);
    auto& subkeys = keys_[key].subkeys;
    const auto found = subkeys.find(name);
    if (found != subkeys.end()) {
      key = found->second;
    } else {
      subkeys.emplace(name, keys_.size());
      key = keys_.size();
      keys_.emplace_back();
    }
  }
  return keys_[key].values;
}

void RegistryHive::Delete(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  const std::size_t parent = slash == std::string_view::npos ? 0 : Walk(path.substr(0, slash));
  if (path.empty() || parent == kNone) return;
  const std::string_view name = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
  auto& subkeys = keys_[parent].subkeys;
  const auto found = subkeys.find(name);
  if (found != subkeys.end()) subkeys.erase(found);
}

void RegistryHive::ForEach(
    const std::function<void(const std::string& path, const RegistryValues&)>& visit) const {
  std::vector<std::pair<std::size_t, std::string>> pending{{0, std::string()}};
  while (!pending.empty()) {
    const auto [key, path] = std::move(pending.back());
    pending.pop_back();
    visit(path, keys_[key].values);
    const auto& subkeys = keys_[key].subkeys;
    for (auto it = subkeys.rbegin(); it != subkeys.rend(); ++it) {
      pending.emplace_back(it->second, path.empty() ? it->first : path + '\\' + it->first);
    }
  }
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

RegistryHive ParseRegistryFile(std::string_view bytes, RegistryRoot root) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    const std::u16string text = Utf16FromBytes(bytes.substr(2), false);
    return Parser<char16_t>(text, root).Parse();
  }
  return Parser<char>(bytes, root).Parse();
}

}  // namespace j6::platform
