#include "dispatch/gmail_sender.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "dispatch/api_session.h"
#include "dispatch/gmail_json.h"
#include "dispatch/gmail_settings.h"
#include "dispatch/graph_json.h"
#include "dispatch/outgoing_mail.h"
#include "dispatch/sender.h"
#include "mail/address.h"
#include "mail/percent_encoded.h"
#include "platform/ascii.h"
#include "platform/clock.h"
#include "platform/wipe.h"
#include "run/run_log.h"

namespace j6 {

namespace {

constexpr SenderTraits kGmailTraits = {
    "GMAIL",
    "Add Attachment",
    "Add Attachment2",
    "Body",
    /*bodyFirst=*/false,
    /*documentNeedsServerPath=*/true,
    "MailWait Send Successfully",
    /*hasForm=*/false,
};

// Gmail takes a message of at most 35 MB (MiB); one request carries up to
// 5 MB, a larger one goes in pieces of a multiple of 256 KiB.
constexpr unsigned long long kGmailLimit = 35ULL * 1024 * 1024;
constexpr unsigned long long kMediaLimit = 5ULL * 1024 * 1024;
constexpr unsigned long long kPiece = 8ULL * 1024 * 1024;
// Pieces lost (or questions unanswered) in a row before the upload ends.
constexpr int kMostLost = 3;

bool KeptInPath(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_' || c == '~' || c == '@';
}

/// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

/// The number of `count` digits at `text[at]`; -1 when they are not digits.
std::int64_t Digits(const std::string& text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return -1;
  std::int64_t value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

/// The seconds until the time a rate limit's message names ("... Retry
/// after 2026-12-10T18:20:05.123Z"), at least 1; -1 when it names none.
long SecondsUntilNamed(const std::string& message) {
  const std::size_t found = message.find("Retry after ");
  if (found == std::string::npos) return -1;
  const std::size_t at = found + 12;
  // YYYY-MM-DDTHH:MM:SS, each field at its place.
  const std::int64_t fields[] = {Digits(message, at, 4),      Digits(message, at + 5, 2),
                                 Digits(message, at + 8, 2),  Digits(message, at + 11, 2),
                                 Digits(message, at + 14, 2), Digits(message, at + 17, 2)};
  for (const std::int64_t field : fields) {
    if (field < 0) return -1;
  }
  const std::int64_t then = DaysFromCivil(fields[0], fields[1], fields[2]) * 86400 +
                            fields[3] * 3600 + fields[4] * 60 + fields[5];
  const std::int64_t left = then - platform::NowUtcSeconds();
  return left < 1 ? 1 : static_cast<long>(std::min<std::int64_t>(left, 1L << 30));
}

bool IsRateLimit(const GoogleError& error) {
  return error.reason == "rateLimitExceeded" || error.reason == "userRateLimitExceeded";
}

/// Gmail throttles with 429, and with 403 and a rate limit's reason; the
/// time its message names is the wait, else Retry-After, else the
/// session's own.
long GmailWait(long status, long retryAfter, const std::string& body) {
  GoogleError error;
  const bool read = ReadGoogleError(body, &error);
  if (status != 429 && !(status == 403 && read && IsRateLimit(error))) return -1;
  const long named = read ? SecondsUntilNamed(error.message) : -1;
  if (named > 0) return named;
  return retryAfter > 0 ? retryAfter : 0;
}

/// A refusal as the log shows it: "<code> <reason>: <message>", on one line.
std::string Refusal(long status, const std::string& body) {
  GoogleError error;
  if (!ReadGoogleError(body, &error))
    return std::to_string(status) + " no error object in the answer";
  std::string message = error.message;
  if (message.size() > 150) message.replace(147, std::string::npos, "...");
  for (char& c : message) {
    if (static_cast<unsigned char>(c) < ' ') c = ' ';
  }
  std::string text = std::to_string(error.code != 0 ? error.code : status);
  if (!error.reason.empty()) text += " " + error.reason;
  text += ": " + message;
  if (error.reason == "dailyLimitExceeded") {
    text += " - the mailbox's daily sending limit is reached";
  } else if (error.reason == "accessNotConfigured") {
    text += " - enable the Gmail API in the Cloud project of CLIENT_ID";
  }
  return text;
}

}  // namespace

const ApiPolicy kGmailPolicy = {"Gmail", &GmailWait, &Refusal,
                                "look in Sent Mail before sending it again"};

namespace {

/// A stretch of the message, read from where the message stands.
struct Piece {
  mail::MimeMessage* message;
  unsigned long long at = 0;    // where the message stands
  unsigned long long left = 0;  // of this stretch
};

std::size_t ReadPiece(void* source, char* buffer, std::size_t size) {
  auto* piece = static_cast<Piece*>(source);
  const auto wanted = static_cast<std::size_t>(std::min<unsigned long long>(size, piece->left));
  if (wanted == 0) return 0;
  const std::size_t got = piece->message->Read(buffer, wanted);
  if (got == mail::kReadFailed) return J6_READ_FAILED;
  piece->at += got;
  piece->left -= got;
  return got;
}

/// The piece of `size` bytes at `start`: the message read again up to it
/// when it stands past it (the message is made as it is read).
bool Seek(Piece* piece, unsigned long long start, unsigned long long size) {
  if (piece->at > start) {
    if (!piece->message->Rewind()) return false;
    piece->at = 0;
  }
  char skipped[16 * 1024];
  while (piece->at < start) {
    const auto wanted =
        static_cast<std::size_t>(std::min<unsigned long long>(sizeof skipped, start - piece->at));
    const std::size_t got = piece->message->Read(skipped, wanted);
    if (got == mail::kReadFailed || got == 0) return false;
    piece->at += got;
  }
  piece->left = size;
  return true;
}

/// The byte after a 308's "Range: bytes=0-<last>"; 0 without one.
unsigned long long NextByte(const std::string& range) {
  const std::size_t dash = range.find('-');
  if (dash == std::string::npos) return 0;
  return std::strtoull(range.c_str() + dash + 1, nullptr, 10) + 1;
}

std::string SendUrl(const oauth::OAuthClient& client) {
  return client.server + "/upload/gmail/v1/users/" + mail::PercentEncoded(client.user, KeptInPath) +
         "/messages/send";
}

class GmailSender final : public Sender {
 public:
  const SenderTraits& traits() const override { return kGmailTraits; }

  std::string SenderAddress(const RunState& run) const override {
    return mail::ReadRecipient(SenderSetting(run, run.gmail.from.view())).address;
  }

  bool Open(const RunState& run) override {
    LogLine("Gmail: %s", std::string(run.gmail.user.view()).c_str());
    return true;
  }

  bool Prepare(RunState& run, const MailParts& parts) override {
    std::string error;
    if (!CheckGmailSettings(run, &mail_.sender, &error) ||
        !ReadRecipients(parts.recipients, &mail_.recipients, &error) ||
        !OpenAttachments(parts, &mail_, &error) ||
        !(message_ = MakeMessage(run, mail_, true, &error)) || !WithinGmailsLimit(&error) ||
        !session_.Open(GmailOAuthClient(run), kGmailPolicy, &error) || !session_.SignIn(&error)) {
      return Failed(error);
    }
    url_ = SendUrl(session_.client());
    return true;
  }

  HandOver Deliver(RunState& /*run*/, bool /*wait*/) override {
    std::string error;
    const HandOver outcome =
        message_->size() <= kMediaLimit ? SendWhole(&error) : SendInPieces(&error);
    if (outcome != HandOver::kHandedOver) Failed(error);
    return outcome;
  }

 private:
  static bool Failed(const std::string& reason) {
    LogLine("Gmail error: %s", reason.c_str());
    return false;
  }

  bool WithinGmailsLimit(std::string* error) const {
    if (message_->size() <= kGmailLimit) return true;
    const unsigned long long mebibyte = 1024ULL * 1024;
    *error = "the mail is " + std::to_string((message_->size() + mebibyte - 1) / mebibyte) +
             " MB, over the 35 MB Gmail takes";
    return false;
  }

  /// A 200 with the message's id: sent. One without names nothing sure.
  HandOver Sent(const ApiAnswer& answer, std::string* error) {
    std::string id;
    if (ReadJsonText(answer.body, "id", &id)) {
      LogLine("Gmail: message %s", id.c_str());
      return HandOver::kHandedOver;
    }
    *error = "the answer names no message: " + std::string(kMayHaveBeenSent) + "; " +
             kGmailPolicy.lookFirst;
    return HandOver::kMaybeSent;
  }

  /// The message as one upload's body.
  HandOver SendWhole(std::string* error) {
    ApiBody body;
    body.read = ReadMessage;
    body.source = message_.get();
    body.size = message_->size();
    body.rewind = [this] { return message_->Rewind(); };
    ApiRequest send{"POST", url_ + "?uploadType=media", "message/rfc822", {200}};
    send.sends = true;
    ApiAnswer answer;
    const HandOver outcome = session_.Call(send, body, &answer, error);
    if (outcome == HandOver::kHandedOver) return Sent(answer, error);
    if (!message_->failure().empty()) *error = message_->failure();
    return outcome;
  }

  /// A resumable upload: its session, then the message in pieces where the
  /// session asks for them.
  HandOver SendInPieces(std::string* error) {
    const unsigned long long total = message_->size();
    ApiRequest begin{"POST", url_ + "?uploadType=resumable", nullptr, {200}};
    begin.headers = {"X-Upload-Content-Type: message/rfc822",
                     "X-Upload-Content-Length: " + std::to_string(total)};
    ApiBody none;
    ApiAnswer answer;
    const HandOver begun = session_.Call(begin, none, &answer, error);
    // The session's URI is its own credential: never shown.
    std::string session = answer.location;
    platform::Wipe(&answer.location);
    if (begun != HandOver::kHandedOver) return begun;
    if (session.empty()) {
      *error = "the upload session's answer names no Location";
      return HandOver::kFailed;
    }
    const HandOver outcome = UploadPieces(session, total, error);
    platform::Wipe(&session);
    return outcome;
  }

  /// Each piece from where the session stands. A piece that is lost (or a
  /// 5xx) is followed by the question how far the upload got ("bytes
  /// */<total>"), at most kMostLost times without the upload moving on.
  HandOver UploadPieces(const std::string& session, unsigned long long total, std::string* error) {
    if (!message_->Rewind()) {
      *error = message_->failure();
      return HandOver::kFailed;
    }
    Piece piece{message_.get()};
    unsigned long long start = 0;
    unsigned long long farthest = 0;
    int lost = 0;     // pieces or questions without an answer since it last moved on
    int stalled = 0;  // answers that did not move it on
    bool ask = false;
    bool lastWent = false;  // the last piece went out, and no answer said how it ended
    for (;;) {
      const unsigned long long size = std::min(kPiece, total - start);
      ApiRequest put{"PUT", session, nullptr, {200, 201, 308}};
      put.authorized = false;
      put.repeatable = false;
      ApiBody body;
      if (ask) {
        put.headers.push_back("Content-Range: bytes */" + std::to_string(total));
      } else {
        if (!Seek(&piece, start, size)) {
          *error = message_->failure().empty() ? "cannot read the mail again" : message_->failure();
          return HandOver::kFailed;
        }
        body.read = ReadPiece;
        body.source = &piece;
        body.size = size;
        body.rewind = [&piece, start, size] { return Seek(&piece, start, size); };
        put.headers.push_back("Content-Range: bytes " + std::to_string(start) + "-" +
                              std::to_string(start + size - 1) + "/" + std::to_string(total));
        lastWent = lastWent || start + size == total;
      }
      ApiAnswer answer;
      const HandOver outcome = session_.Call(put, body, &answer, error);
      if (outcome == HandOver::kHandedOver && answer.status != 308) return Sent(answer, error);
      if (outcome == HandOver::kHandedOver) {
        start = NextByte(answer.range);
        if (start > total) {
          *error =
              "the upload asks for byte " + std::to_string(start) + " of " + std::to_string(total);
          return HandOver::kFailed;
        }
        lastWent = false;
        ask = false;
        if (start > farthest) {
          farthest = start;
          lost = 0;
          stalled = 0;
        } else if (++stalled > kMostLost) {
          // A session that does not move on would have pieces sent for ever.
          *error = "the upload does not move on past byte " + std::to_string(farthest);
          return HandOver::kFailed;
        }
        continue;
      }
      if (!answer.lost) {
        if (!message_->failure().empty()) *error = message_->failure();
        return outcome;
      }
      if (++lost > kMostLost) {
        if (!lastWent) return HandOver::kFailed;
        *error = "no answer from " + session_.host() + ": " + kMayHaveBeenSent + "; " +
                 kGmailPolicy.lookFirst;
        return HandOver::kMaybeSent;
      }
      LogLine("Gmail: a piece of the mail was lost (%s): asking how far the upload got",
              error->c_str());
      ask = true;
    }
  }

  OutgoingMail mail_;
  std::unique_ptr<mail::MimeMessage> message_;
  ApiSession session_;
  std::string url_;
};

}  // namespace

HandOver SendGmail(RunState& run, bool wait) {
  GmailSender sender;
  return HandOverMail(run, wait, sender);
}

bool ProbeGmail(const RunState& run, const std::string& token, std::string* error) {
  ApiSession session;
  const oauth::OAuthClient client = GmailOAuthClient(run);
  if (!session.Open(client, kGmailPolicy, error)) return false;
  session.UseToken(token);
  ApiBody body;
  body.data = "From: " + client.user +
              "\r\nSubject: J6MailerCheck\r\nMIME-Version: 1.0\r\nContent-Type: text/plain\r\n\r\n"
              "A mail without recipients, which Gmail refuses: nothing is sent.\r\n";
  ApiAnswer answer;
  if (session.Call({"POST", SendUrl(client) + "?uploadType=media", "message/rfc822", {400}}, body,
                   &answer, error) != HandOver::kHandedOver) {
    return false;
  }
  GoogleError refused;
  if (ReadGoogleError(answer.body, &refused)) {
    for (std::size_t at = 0; at + 9 <= refused.message.size(); ++at) {
      if (platform::EqualsIgnoringAsciiCase(std::string_view(refused.message).substr(at, 9),
                                            "recipient")) {
        return true;
      }
    }
  }
  *error = Refusal(answer.status, answer.body) +
           ": not Gmail's answer to a mail without recipients: URL must be Gmail's service, as "
           "https://gmail.googleapis.com";
  return false;
}

}  // namespace j6
