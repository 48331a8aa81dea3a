#include "mail/header_line.h"

#include <algorithm>
#include <vector>

#include "mail/characters.h"

namespace j6::mail {

namespace {

// RFC 5322's line length, and RFC 2047's longest encoded word.
constexpr std::size_t kMaxLine = 78;
constexpr std::size_t kMaxEncodedWord = 75;
// "Q" rather than base64: readers (GMime among them) join the base64 of
// adjacent words before decoding it, so a word split at a blank, padded,
// would cut the text short there.
constexpr std::string_view kWordStart = "=?windows-1252?Q?";
constexpr std::string_view kWordEnd = "?=";
constexpr std::size_t kWordFrame = kWordStart.size() + kWordEnd.size();
constexpr std::size_t kMaxEncodedText = kMaxEncodedWord - kWordFrame;

/// The words of a text and what lies between its blanks: n blanks give n + 1
/// words, empty ones among them.
std::vector<std::string_view> SplitAtBlanks(std::string_view text) {
  std::vector<std::string_view> words;
  for (std::size_t start = 0;;) {
    const std::size_t blank = text.find(' ', start);
    words.push_back(text.substr(start, blank - start));
    if (blank == std::string_view::npos) return words;
    start = blank + 1;
  }
}

/// A word that may stand as it is: plain ASCII, an atom in a display name
/// (`phrase`), and short enough that, quoted, it fits a folded line.
bool IsPlainWord(std::string_view word, bool phrase) {
  std::size_t quoted = 2;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const auto byte = static_cast<unsigned char>(word[i]);
    if (byte <= ' ' || byte > '~') return false;
    if (word[i] == '=' && i + 1 < word.size() && word[i + 1] == '?') return false;
    if (phrase && !IsAtomText(word[i])) return false;
    quoted += word[i] == '"' || word[i] == '\\' ? 2 : 1;
  }
  return quoted < kMaxLine;
}

/// What a "Q" word may hold as it is, even in a display name (RFC 2047
/// 5(3)); a blank goes as "_", anything else as "=XX".
bool IsQLiteral(char c) {
  return IsLetterOrDigit(c) || c == '!' || c == '*' || c == '+' || c == '-' || c == '/';
}

std::size_t EncodedSize(char c) { return c == ' ' || IsQLiteral(c) ? 1 : 3; }

std::size_t EncodedSize(std::string_view text) {
  std::size_t size = 0;
  for (const char c : text) size += EncodedSize(c);
  return size;
}

std::string EncodedWord(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string word(kWordStart);
  for (const char c : text) {
    if (c == ' ') {
      word += '_';
    } else if (IsQLiteral(c)) {
      word += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      word += '=';
      word += kHex[byte >> 4];
      word += kHex[byte & 0xF];
    }
  }
  return word + std::string(kWordEnd);
}

/// How much of the text goes into an encoded word of `room` characters:
/// whole words, a blank after them where it fits; with `cut`, every byte
/// that fits.
std::size_t Fitting(std::string_view text, std::size_t room, bool cut) {
  std::size_t size = 0;
  std::size_t fits = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') fits = i;
    size += EncodedSize(text[i]);
    if (size > room) return fits;
    if (cut || text[i] == ' ') fits = i + 1;
  }
  return text.size();
}

}  // namespace

bool IsPlainAscii(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < ' ' || byte > '~') return false;
    if (text[i] == '=' && i + 1 < text.size() && text[i + 1] == '?') return false;
  }
  return true;
}

bool IsPlainHeaderText(std::string_view text) {
  const std::vector<std::string_view> words = SplitAtBlanks(text);
  return std::all_of(words.begin(), words.end(),
                     [](std::string_view word) { return IsPlainWord(word, false); });
}

std::string QuotedString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

HeaderLine::HeaderLine(std::string_view name)
    : text_(std::string(name) + ":"), line_(text_.size()) {}

void HeaderLine::Add(std::string_view piece) {
  if (line_ + 1 + piece.size() > kMaxLine && !piece.empty() && line_ > 0) Fold();
  text_ += ' ';
  text_ += piece;
  line_ += 1 + piece.size();
  bare_ = false;
}

void HeaderLine::AddWords(std::string_view text) {
  for (const std::string_view word : SplitAtBlanks(text)) Add(word);
}

void HeaderLine::AddUnit(std::string_view text) {
  if (text.size() < kMaxLine) {
    Add(text);
  } else {
    AddWords(text);
  }
}

void HeaderLine::AddDisplayName(std::string_view given) {
  // A control character has no place in a phrase, even encoded: parsers
  // refuse a From: or To: that holds one.
  std::string name(given);
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') c = ' ';
  }
  if (IsPlainHeaderText(name)) {
    AddUnit(QuotedString(name));
    return;
  }
  HeaderLine alone("");
  alone.Fold();
  alone.AddEncodable(name, true);
  const std::string_view phrase = std::string_view(alone.text()).substr(4);  // after ":\r\n "
  if (phrase.find('\n') == std::string_view::npos) {
    Add(phrase);
  } else {
    AddEncodable(name, true);
  }
}

void HeaderLine::AddMailbox(std::string_view name, std::string_view address,
                            std::string_view after) {
  if (!name.empty()) AddDisplayName(name);
  Add((name.empty() ? std::string(address) : "<" + std::string(address) + ">") +
      std::string(after));
}

void HeaderLine::Fold() {
  text_ += "\r\n";
  line_ = 0;
  bare_ = true;
}

// White space between an encoded word and plain text is kept by every
// reader; between two encoded words RFC 2047 drops it. So plain words stay
// plain, and the blanks that only separate encoded words go inside them.
void HeaderLine::AddEncodable(std::string_view text, bool phrase) {
  const std::vector<std::string_view> words = SplitAtBlanks(text);
  const auto plain = [phrase](std::string_view word) {
    return !word.empty() && IsPlainWord(word, phrase);
  };
  for (std::size_t i = 0; i < words.size();) {
    std::size_t end = i;
    bool encode = false;
    for (; end < words.size() && !plain(words[end]); ++end) encode = encode || !words[end].empty();
    if (!encode) {
      Add(words[i++]);
      continue;
    }
    const char* first = words[i].data();
    const char* last = words[end - 1].data() + words[end - 1].size();
    AddEncoded(std::string_view(first, static_cast<std::size_t>(last - first)));
    i = end;
  }
}

// Readers that show the white space between encoded words would show a word
// cut in two as two words; the blank kept inside the encoded text is what
// RFC 2047 readers show. A word too long for what is left of the header
// name's line is cut rather than that line left bare, which some readers
// (Python's email) show as a leading blank.
void HeaderLine::AddEncoded(std::string_view text) {
  while (!text.empty()) {
    const std::size_t room = EncodedRoom();
    const std::size_t size = EncodedSize(text);
    // What one encoded word holds is not split: it starts the next line.
    if (size > room && size <= kMaxEncodedText && !bare_) {
      Fold();
      continue;
    }
    std::size_t take = Fitting(text, room, false);
    const std::string_view next = text.substr(take, text.find(' ', take) - take);
    const bool cut = take < text.size() && EncodedSize(next) > kMaxEncodedText;
    // A word that must be cut starts a line of its own, unless words before
    // it share the encoded word.
    if (cut && take == 0 && !bare_ && room < kMaxEncodedText) {
      Fold();
      continue;
    }
    if (cut || (take == 0 && bare_)) take = Fitting(text, room, true);
    if (take == 0) {
      Fold();
      continue;
    }
    Add(EncodedWord(text.substr(0, take)));
    text.remove_prefix(take);
  }
}

std::size_t HeaderLine::EncodedRoom() const {
  const std::size_t line = line_ + 1 < kMaxLine ? kMaxLine - line_ - 1 : 0;
  const std::size_t word = std::min(line, kMaxEncodedWord);
  return word > kWordFrame ? word - kWordFrame : 0;
}

}  // namespace j6::mail
