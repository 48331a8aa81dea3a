// Reads back what the mail stand-ins deliver: the messages (*.eml) of an
// outbox folder, parsed with GMime so that tests see decoded values, not the
// encodings the writer chose.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace j6::test {

struct EmlAttachment {
  std::string name;   // the file name, UTF-8
  std::string bytes;  // decoded content
};

struct EmlMessage {
  /// The message's own headers in file order: name as written, value
  /// unfolded and decoded to UTF-8.
  std::vector<std::pair<std::string, std::string>> headers;
  /// The first text/plain part, decoded, in its own charset (for the
  /// stand-ins Windows-1252, so the bytes the program passed), with each
  /// CR LF turned back into a line feed.
  std::string body;
  std::string bodyCharset;
  std::vector<EmlAttachment> attachments;
  /// The file as written.
  std::string raw;

  /// The first header of that name (any case), if there is one.
  std::optional<std::string> Header(std::string_view name) const;
};

/// The message in `path`; nothing when the file cannot be read or parsed.
std::optional<EmlMessage> ReadEml(const std::string& path);

/// The full paths of the *.eml files in `folder`, sorted by name (which is
/// the order the stand-ins wrote them); empty when the folder is missing.
std::vector<std::string> OutboxFiles(const std::string& folder);

}  // namespace j6::test
