#include "mail/mime_message.h"

#include <algorithm>
#include <utility>

#include "mail/base64.h"
#include "mail/mail_text.h"

namespace j6::mail {

namespace {

// Whole base64 lines of 76 characters from 57 bytes each, read a large
// chunk at a time: each small read became a TLS record and a send, and
// under Wine each send is a round trip to the Wine server.
constexpr std::size_t kLineBytes = 57;
constexpr std::size_t kChunkBytes = kLineBytes * 1024;

/// Reads up to `size` bytes, all the file gives; false when it fails.
bool ReadFile(std::FILE* file, char* buffer, std::size_t size, std::size_t* filled) {
  *filled = std::fread(buffer, 1, size, file);
  return *filled == size || std::ferror(file) == 0;
}

}  // namespace

unsigned long long Base64LinesSize(unsigned long long bytes) {
  const unsigned long long lines = (bytes + kLineBytes - 1) / kLineBytes;
  return (bytes + 2) / 3 * 4 + lines * 2;
}

std::string MimeBoundary(std::string_view randomBytes) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string boundary = "=_J6_";
  for (const char c : randomBytes) {
    boundary += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
    boundary += kHex[static_cast<unsigned char>(c) & 0xF];
  }
  return boundary;
}

MimeMessage::MimeMessage(const std::vector<std::string>& headers, std::string_view body,
                         const std::vector<MimeAttachment>& attachments,
                         const std::string& boundary) {
  // The layout mail programs have long read: the type first, then the
  // message's own lines; each part's type, encoding and disposition.
  std::string text = "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n";
  for (const std::string& header : headers) text += header + "\r\n";
  text += "\r\n--" + boundary +
          "\r\nContent-Type: text/plain; charset=windows-1252\r\n"
          "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
          QuotedPrintable(body) + "\r\n";
  for (const MimeAttachment& attachment : attachments) {
    text += "--" + boundary + "\r\nContent-Type: " + AttachmentType(attachment.name) +
            "\r\nContent-Transfer-Encoding: base64\r\n" + AttachmentDisposition(attachment.name) +
            "\r\n\r\n";
    pieces_.push_back(Piece{std::move(text), nullptr});
    pieces_.push_back(Piece{std::string(), &attachment});
    text = "\r\n";
  }
  text += "--" + boundary + "--\r\n";
  pieces_.push_back(Piece{std::move(text), nullptr});
  for (const Piece& piece : pieces_) {
    size_ +=
        piece.attachment != nullptr ? Base64LinesSize(piece.attachment->size) : piece.text.size();
  }
}

bool MimeMessage::Encode(const MimeAttachment& attachment) {
  if (!fileStarted_) {
    fileStarted_ = true;
    fileLeft_ = attachment.size;
  }
  const std::size_t wanted =
      fileLeft_ < kChunkBytes ? static_cast<std::size_t>(fileLeft_) : kChunkBytes;
  std::string raw(wanted, '\0');
  std::size_t filled = 0;
  bool read = ReadFile(attachment.file, &raw[0], wanted, &filled);
  fileLeft_ -= filled;
  char extra = 0;
  std::size_t beyond = 0;
  // Its size went into the message's size: a file that grew or shrank
  // since it was opened fails the mail before it ends.
  if (read && fileLeft_ == 0) read = ReadFile(attachment.file, &extra, 1, &beyond);
  if (!read) {
    failure_ = "cannot read " + attachment.origin + " to its end";
    return false;
  }
  if (filled < wanted || beyond != 0) {
    failure_ = attachment.origin + " changed while it was sent";
    return false;
  }
  encoded_.clear();
  const std::string_view bytes(raw);
  for (std::size_t line = 0; line < bytes.size(); line += kLineBytes) {
    AppendBase64(bytes.substr(line, kLineBytes), &encoded_);
    encoded_ += "\r\n";
  }
  offset_ = 0;
  return true;
}

std::size_t MimeMessage::Read(char* buffer, std::size_t capacity) {
  std::size_t given = 0;
  while (given < capacity && piece_ < pieces_.size()) {
    const Piece& piece = pieces_[piece_];
    const std::string* source = &piece.text;
    if (piece.attachment != nullptr) {
      if (offset_ == encoded_.size()) {
        if (fileStarted_ && fileLeft_ == 0) {
          fileStarted_ = false;
          encoded_.clear();
          offset_ = 0;
          ++piece_;
          continue;
        }
        if (!Encode(*piece.attachment)) return kReadFailed;
      }
      source = &encoded_;
    } else if (offset_ == piece.text.size()) {
      offset_ = 0;
      ++piece_;
      continue;
    }
    const std::size_t take = std::min(capacity - given, source->size() - offset_);
    std::copy_n(source->data() + offset_, take, buffer + given);
    offset_ += take;
    given += take;
  }
  return given;
}

bool MimeMessage::Rewind() {
  piece_ = 0;
  offset_ = 0;
  encoded_.clear();
  fileStarted_ = false;
  failure_.clear();
  for (const Piece& piece : pieces_) {
    if (piece.attachment != nullptr && std::fseek(piece.attachment->file, 0, SEEK_SET) != 0) {
      failure_ = "cannot read attachment " + piece.attachment->origin + " again";
      return false;
    }
  }
  return true;
}

std::size_t Base64Reader::Read(char* buffer, std::size_t capacity) {
  std::size_t given = 0;
  while (given < capacity) {
    if (offset_ == encoded_.size()) {
      if (ended_) break;
      char chunk[48 * 1024];
      const std::size_t got = message_->Read(chunk, sizeof chunk);
      if (got == kReadFailed) return kReadFailed;
      raw_.append(chunk, got);
      ended_ = got == 0;
      // Whole groups of 3 but at the end, so that no '=' comes early.
      const std::size_t whole = ended_ ? raw_.size() : raw_.size() / 3 * 3;
      encoded_.clear();
      offset_ = 0;
      AppendBase64(std::string_view(raw_).substr(0, whole), &encoded_);
      raw_.erase(0, whole);
      continue;
    }
    const std::size_t take = std::min(capacity - given, encoded_.size() - offset_);
    std::copy_n(encoded_.data() + offset_, take, buffer + given);
    offset_ += take;
    given += take;
  }
  return given;
}

}  // namespace j6::mail
