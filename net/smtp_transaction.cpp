#include "net/smtp_transaction.h"

#include <algorithm>
#include <chrono>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace j6::net {

namespace {

using Clock = std::chrono::steady_clock;

// RFC 5321 4.5.3.2.6: the reply to the end of the data.
constexpr long kLastReplySeconds = 600;
// Read from the message a piece at a time: it is never held whole.
constexpr std::size_t kPiece = std::size_t{64} * 1024;

int CodeOf(const std::string& line) {
  if (line.size() < 3) return 0;
  int code = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    code = code * 10 + (line[i] - '0');
  }
  return code;
}

/// A pause while a socket is not ready: short at first, longer while the
/// wait goes on (the reply to the end of the data may take minutes).
void Pause(int waited) {
  std::this_thread::sleep_for(std::chrono::milliseconds(waited < 100 ? 1 : 10));
}

std::string Seconds(long seconds) { return std::to_string(seconds) + " s"; }

/// Sends all of `data`; false, with why, when the session fails or the
/// server takes nothing for `seconds`.
bool SendAll(CURL* curl, std::string_view data, long seconds, std::string* failure) {
  Clock::time_point moved = Clock::now();
  for (int waited = 0; !data.empty();) {
    std::size_t sent = 0;
    const CURLcode result = curl_easy_send(curl, data.data(), data.size(), &sent);
    if (result == CURLE_OK) {
      data.remove_prefix(sent);
      moved = Clock::now();
      waited = 0;
      continue;
    }
    if (result != CURLE_AGAIN) {
      *failure = curl_easy_strerror(result);
      return false;
    }
    if (Clock::now() - moved > std::chrono::seconds(seconds)) {
      *failure = "Timeout: the server took no data for " + Seconds(seconds);
      return false;
    }
    Pause(waited++);
  }
  return true;
}

/// The server's replies, in order, as they arrive: a pipelined envelope's
/// come several in one read.
class Replies {
 public:
  explicit Replies(CURL* curl) : curl_(curl) {}

  /// The last line of the next reply within `seconds` ("250 OK"; "250-"
  /// lines go on); false, with why, when none comes.
  bool Next(const char* to, long seconds, std::string* line, std::string* failure) {
    const Clock::time_point until = Clock::now() + std::chrono::seconds(seconds);
    for (int waited = 0;;) {
      if (Take(line)) return true;
      char chunk[4096];
      std::size_t got = 0;
      const CURLcode result = curl_easy_recv(curl_, chunk, sizeof chunk, &got);
      if (result == CURLE_AGAIN) {
        if (Clock::now() > until) {
          *failure =
              std::string("Timeout: no reply to ") + to + " from the server in " + Seconds(seconds);
          return false;
        }
        Pause(waited++);
        continue;
      }
      if (result != CURLE_OK || got == 0) {
        *failure = std::string("the connection ended before the reply to ") + to;
        return false;
      }
      buffer_.append(chunk, got);
      waited = 0;
    }
  }

 private:
  bool Take(std::string* line) {
    std::size_t start = 0;
    for (std::size_t end = buffer_.find("\r\n"); end != std::string::npos;
         start = end + 2, end = buffer_.find("\r\n", start)) {
      const std::size_t length = end - start;
      if (length >= 3 && (length == 3 || buffer_[start + 3] == ' ')) {
        *line = buffer_.substr(start, length);
        buffer_.erase(0, end + 2);
        return true;
      }
    }
    return false;
  }

  CURL* curl_;
  std::string buffer_;
};

/// The message as the data's lines go (RFC 5321 4.5.2): a line that begins
/// with "." gets one more.
class DotStuffer {
 public:
  void Add(const char* data, std::size_t size, std::string* out) {
    for (std::size_t i = 0; i < size; ++i) {
      if (lineStart_ && data[i] == '.') out->push_back('.');
      out->push_back(data[i]);
      lineStart_ = data[i] == '\n';
    }
  }
  /// The end of the data: on a line of its own.
  std::string End() const { return lineStart_ ? ".\r\n" : "\r\n.\r\n"; }

 private:
  bool lineStart_ = true;
};

/// Streams the message from the caller's source; false, with why, when the
/// source fails or gives other than `messageSize` bytes.
bool SendMessage(CURL* curl, const J6SmtpMail& mail, long seconds, DotStuffer* stuffer,
                 std::string* failure) {
  std::vector<char> piece(kPiece);
  std::string stuffed;
  unsigned long long total = 0;
  for (;;) {
    const std::size_t got = mail.read(mail.source, piece.data(), piece.size());
    if (got == J6_READ_FAILED || total + got > mail.messageSize) {
      *failure = "the message could not be read to its end";
      return false;
    }
    if (got == 0) break;
    total += got;
    stuffed.clear();
    stuffer->Add(piece.data(), got, &stuffed);
    if (!SendAll(curl, stuffed, seconds, failure)) return false;
  }
  if (total == mail.messageSize) return true;
  *failure = "the message could not be read to its end";
  return false;
}

}  // namespace

SmtpTransaction SendTransaction(CURL* curl, const J6SmtpMail& mail, const SmtpOffers& offers,
                                long timeoutSeconds) {
  SmtpTransaction done;
  std::string from = std::string("MAIL FROM:<") + mail.mailFrom + ">";
  if (offers.size) from += " SIZE=" + std::to_string(mail.messageSize);
  std::vector<std::pair<const char*, std::string>> commands = {{"MAIL", from + "\r\n"}};
  for (std::size_t i = 0; i < mail.recipientCount; ++i) {
    commands.emplace_back("RCPT", std::string("RCPT TO:<") + mail.recipients[i] + ">\r\n");
  }
  commands.emplace_back("DATA", "DATA\r\n");
  if (offers.pipelining) {
    std::string envelope;
    for (const auto& command : commands) envelope += command.second;
    if (!SendAll(curl, envelope, timeoutSeconds, &done.failure)) return done;
  }
  // Each reply decides, pipelined or not: one refusal and nobody gets the mail.
  Replies replies(curl);
  bool refused = false;
  for (const auto& [verb, line] : commands) {
    if (!offers.pipelining && !SendAll(curl, line, timeoutSeconds, &done.failure)) return done;
    std::string reply;
    if (!replies.Next(verb, timeoutSeconds, &reply, &done.failure)) return done;
    const int code = CodeOf(reply);
    const bool taken = std::string_view(verb) == "DATA" ? code == 354 : code / 100 == 2;
    if (!taken && !refused) {
      refused = true;
      done.end = SmtpTransaction::End::kRefused;
      done.command = verb;
      done.reply = reply;
    }
    if (refused && !offers.pipelining) return done;
  }
  // A DATA taken after a refused recipient: the connection ends without the
  // data's end, and the server drops the transaction; a lone "." would
  // deliver to the others.
  if (refused) return done;
  DotStuffer stuffer;
  if (!SendMessage(curl, mail, timeoutSeconds, &stuffer, &done.failure) ||
      !SendAll(curl, stuffer.End(), timeoutSeconds, &done.failure)) {
    return done;
  }
  // The server may have the mail from here on.
  std::string reply;
  if (!replies.Next("the end of the data", std::max(timeoutSeconds, kLastReplySeconds), &reply,
                    &done.failure)) {
    done.end = SmtpTransaction::End::kMaybeTaken;
    return done;
  }
  if (CodeOf(reply) / 100 != 2) {
    done.end = SmtpTransaction::End::kRefused;
    done.command = ".";
    done.reply = reply;
    return done;
  }
  done.end = SmtpTransaction::End::kTaken;
  return done;
}

}  // namespace j6::net
