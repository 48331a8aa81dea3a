// The whole message the network hand-overs send: a multipart/mixed of the
// text and the attachments, written as it is read, so that an attachment is
// never held whole, and measured before a byte of it goes (SMTP's SIZE=,
// Graph's limit). The SMTP and the Graph routes send the same bytes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace j6::mail {

/// What Read returns when a file fails or changed while it was read.
constexpr std::size_t kReadFailed = static_cast<std::size_t>(-1);

/// A file to attach, opened by the caller and read from its first byte.
struct MimeAttachment {
  std::string origin;  // as the run named it, for the error text
  std::string name;    // the name the recipient sees
  std::FILE* file = nullptr;
  unsigned long long size = 0;  // when it was opened: exactly what is sent
};

/// The size of `bytes` bytes as base64 lines of 76 characters, CR LF each.
unsigned long long Base64LinesSize(unsigned long long bytes);

class MimeMessage {
 public:
  /// `headers`: the message's own lines (From, To, Subject...); `body`: the
  /// text with CR LF line breaks, sent quoted-printable; `boundary`: a text
  /// that appears nowhere else (MimeBoundary).
  MimeMessage(const std::vector<std::string>& headers, std::string_view body,
              const std::vector<MimeAttachment>& attachments, const std::string& boundary);

  /// Every byte Read gives, known before the first.
  unsigned long long size() const { return size_; }

  /// Fills `buffer` with the next bytes (at most `capacity`); 0 at the end;
  /// kReadFailed, with failure() saying why, when a file cannot be read or
  /// gives other than its size.
  std::size_t Read(char* buffer, std::size_t capacity);

  /// Back to the first byte, its files too, for another attempt; false
  /// when a file cannot be rewound.
  bool Rewind();

  const std::string& failure() const { return failure_; }

 private:
  /// A stretch of the message: a text, or an attachment's content.
  struct Piece {
    std::string text;
    const MimeAttachment* attachment = nullptr;
  };

  /// The next chunk of the current attachment, as base64 lines.
  bool Encode(const MimeAttachment& attachment);

  std::vector<Piece> pieces_;
  unsigned long long size_ = 0;
  std::size_t piece_ = 0;
  std::size_t offset_ = 0;           // into the piece's text, or into encoded_
  std::string encoded_;              // of the attachment being read
  unsigned long long fileLeft_ = 0;  // bytes the attachment still owes
  bool fileStarted_ = false;
  std::string failure_;
};

/// A boundary for one message from a few random bytes: "=_" cannot appear
/// in quoted-printable or base64 text, and the random part in no header.
std::string MimeBoundary(std::string_view randomBytes);

/// Reads a MimeMessage as one line of base64, as Graph takes a message.
class Base64Reader {
 public:
  explicit Base64Reader(MimeMessage* message) : message_(message) {}

  /// The size of the base64 text: 4 for every 3 bytes begun.
  unsigned long long size() const { return (message_->size() + 2) / 3 * 4; }

  /// As MimeMessage::Read.
  std::size_t Read(char* buffer, std::size_t capacity);

 private:
  MimeMessage* message_;
  std::string raw_;      // read, not yet encoded (fewer than 3 bytes between reads)
  std::string encoded_;  // not yet handed out
  std::size_t offset_ = 0;
  bool ended_ = false;
};

}  // namespace j6::mail
