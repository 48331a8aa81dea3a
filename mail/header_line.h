// Header lines of an Internet mail (RFC 5322) from Windows-1252 texts:
// folded at 78 characters, with what cannot stand as it is written as RFC
// 2047 encoded words of at most 75. The one encoder of header texts: the SMTP
// sender and the outbox both write theirs with it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace j6::mail {

/// Printable ASCII (blanks included) with nothing a reader could take for an
/// encoded word.
bool IsPlainAscii(std::string_view text);

/// Whether a header may carry the text as it is: plain ASCII whose every
/// word, quoted as a display name, fits a folded line.
bool IsPlainHeaderText(std::string_view text);

/// The text as an RFC 5322 quoted string.
std::string QuotedString(std::string_view text);

/// A header line built piece by piece, folded before a blank wherever the
/// next piece would pass the line length.
class HeaderLine {
 public:
  explicit HeaderLine(std::string_view name);

  /// A blank and `piece`, on the next line when it does not fit this one.
  void Add(std::string_view piece);

  /// Plain text, foldable at each of its blanks.
  void AddWords(std::string_view text);

  /// Plain text kept on one line when a line holds it: it starts the next
  /// line when it does not fit this one. Longer text is folded at its blanks.
  void AddUnit(std::string_view text);

  /// Unstructured text (a subject): see AddEncodable.
  void AddText(std::string_view text) { AddEncodable(text, false); }

  /// A display name: quoted when it is plain, else as AddEncodable has it;
  /// folded only when one line does not hold it, since some readers (GMime)
  /// keep a line break found inside a name.
  void AddDisplayName(std::string_view name);

  /// "address", or the display name and "<address>"; `after` (a comma)
  /// follows without a blank.
  void AddMailbox(std::string_view name, std::string_view address, std::string_view after);

  /// Ends the line here; what follows starts the next, after a blank.
  void Fold();

  const std::string& text() const { return text_; }

 private:
  /// Plain words as they are; the words that cannot stand so, with the
  /// blanks around them up to the next plain word, as encoded words. In a
  /// display name (`phrase`) only atoms stand as they are.
  void AddEncodable(std::string_view text, bool phrase);

  /// The text as encoded words, split only after a blank unless one word
  /// alone is longer than an encoded word holds.
  void AddEncoded(std::string_view text);

  /// How many encoded characters the next encoded word may hold.
  std::size_t EncodedRoom() const;

  std::string text_;
  std::size_t line_;
  bool bare_ = true;  // nothing on this line yet, the header's name aside
};

}  // namespace j6::mail
