#include "dispatch/graph_sender.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "dispatch/graph_json.h"
#include "dispatch/graph_settings.h"
#include "dispatch/outgoing_mail.h"
#include "dispatch/sender.h"
#include "dispatch/smtp_settings.h"
#include "mail/address.h"
#include "mail/base64.h"
#include "mail/mail_text.h"
#include "mail/percent_encoded.h"
#include "net/transport.h"
#include "oauth/access_token.h"
#include "oauth/settings.h"
#include "platform/windows1252.h"
#include "run/https_proxy.h"
#include "run/run_log.h"
#include "run/url.h"

namespace j6 {

namespace {

constexpr SenderTraits kGraphTraits = {
    "GRAPH",
    "Add Attachment",
    "Add Attachment2",
    "Body",
    /*bodyFirst=*/false,
    /*documentNeedsServerPath=*/true,
    "MailWait Send Successfully",
    /*hasForm=*/false,
};

// Graph takes a request of at most 4 MB; below it with room to spare.
constexpr unsigned long long kSendMailLimit = 4000000;
// Smaller attachments go in one request, larger ones through an upload
// session, and none larger than Graph takes.
constexpr unsigned long long kSmallAttachment = 3ULL * 1024 * 1024;
constexpr unsigned long long kLargestAttachment = 150ULL * 1024 * 1024;
// At most 4 MiB a request, in multiples of 320 KiB.
constexpr unsigned long long kUploadChunk = 12ULL * 320 * 1024;
constexpr int kTries = 3;
constexpr long kLongestWait = 60;
constexpr long kServerErrorWait = 2;
constexpr std::size_t kAnswerCapacity = std::size_t{64} * 1024;

constexpr char kMaybeSentText[] =
    "the mail may have been sent; look in Sent Items before sending it again";

enum class Outcome { kDone, kFailed, kMaybeSent };

/// What a request sends: a text, or a stream that can begin again.
struct Body {
  std::string data;
  J6SmtpRead read = nullptr;
  void* source = nullptr;
  unsigned long long size = 0;
  std::function<bool()> rewind = [] { return true; };
};

struct Step {
  const char* method;
  std::string url;
  const char* type;   // Content-Type; null: none
  bool authorized;    // false for an upload URL, which is its own credential
  bool sends;         // sendMail or /send: Exchange may have taken the mail
  long done;          // the status of success (an upload's: 200, or 201 at its end)
  std::string range;  // Content-Range, for an upload
};

bool KeptInPath(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_' || c == '~' || c == '@';
}

/// A refusal as the log shows it: Graph's error object, on one line.
std::string Refusal(long status, const std::string& body) {
  std::string text = GraphErrorText(body);
  if (text.empty()) text = "no error object in the answer";
  if (text.size() > 200) text.replace(197, std::string::npos, "...");
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < ' ') c = ' ';
  }
  return std::to_string(status) + " " + text;
}

/// Reads `left` bytes of a file from where it stands: an upload's chunk.
struct Chunk {
  std::FILE* file;
  unsigned long long start;
  unsigned long long left;
};

std::size_t ReadChunk(void* source, char* buffer, std::size_t size) {
  auto* chunk = static_cast<Chunk*>(source);
  const std::size_t wanted =
      static_cast<std::size_t>(std::min<unsigned long long>(size, chunk->left));
  const std::size_t got = std::fread(buffer, 1, wanted, chunk->file);
  // Fewer bytes than its size said: it changed since it was opened.
  if (got < wanted) return J6SMTP_READ_FAILED;
  chunk->left -= got;
  return got;
}

/// The whole of a small message or file into memory; false when it fails.
bool ReadWhole(mail::MimeMessage* message, std::string* text) {
  char buffer[16 * 1024];
  for (;;) {
    const std::size_t got = message->Read(buffer, sizeof buffer);
    if (got == mail::kReadFailed) return false;
    if (got == 0) return true;
    text->append(buffer, got);
  }
}

/// The token, the transport and the requests of one run.
class GraphSession {
 public:
  GraphSession() = default;
  ~GraphSession() {
    for (char& c : token_) c = '\0';
  }
  GraphSession(const GraphSession&) = delete;
  GraphSession& operator=(const GraphSession&) = delete;

  /// Everything but the token: the transport, the client, the mailbox's URL.
  bool Open(const RunState& run, std::string* error) {
    client_ = GraphOAuthClient(run);
    mailbox_ = client_.server + "/users/" + mail::PercentEncoded(client_.user, KeptInPath);
    host_ = ReadUrl(client_.server).host;
    return net::FindTransport(&library_, &transport_, error);
  }

  bool SignIn(std::string* error) {
    oauth::TokenReport report;
    if (!oauth::ObtainAccessToken(client_, &token_, &report, error)) return false;
    renewable_ = report.reused;
    return true;
  }

  void UseToken(const std::string& token) { token_ = token; }

  const std::string& mailbox() const { return mailbox_; }

  /// The step, tried again as Graph asks; `answer` its body.
  Outcome Call(const Step& step, Body& body, std::string* answer, std::string* error) {
    for (int tries = 1;; ++tries) {
      long status = 0;
      long retryAfter = 0;
      const Outcome sent = Send(step, body, &status, &retryAfter, answer, error);
      // An upload's last chunk is answered 201, the others 200.
      if (sent != Outcome::kDone || status == step.done || (!step.range.empty() && status == 201)) {
        return sent;
      }
      if (status == 401 && step.authorized && renewable_) {
        // A reused token revoked before it expired: a new one, once.
        renewable_ = false;
        const std::string refused = token_;
        if (!oauth::ReplaceRefusedToken(client_, refused, &token_, nullptr, error)) {
          return Outcome::kFailed;
        }
        if (!Rewind(body, error)) return Outcome::kFailed;
        --tries;
        continue;
      }
      const bool throttled = status == 429 || (status == 503 && retryAfter > 0);
      if (status >= 500 && !throttled && step.sends) {
        *error = Refusal(status, *answer) + ": " + kMaybeSentText;
        return Outcome::kMaybeSent;
      }
      if ((throttled || status >= 500) && tries < kTries) {
        const long seconds = std::min(retryAfter > 0 ? retryAfter : kServerErrorWait, kLongestWait);
        LogLine("Graph: busy, trying again in %ld s", seconds);
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        if (!Rewind(body, error)) return Outcome::kFailed;
        continue;
      }
      *error = Refusal(status, *answer);
      return Outcome::kFailed;
    }
  }

 private:
  static bool Rewind(Body& body, std::string* error) {
    if (body.rewind()) return true;
    *error = "cannot read the mail again to send it again";
    return false;
  }

  Outcome Send(const Step& step, const Body& body, long* status, long* retryAfter,
               std::string* answer, std::string* error) {
    std::vector<std::string> lines;
    if (step.authorized) lines.push_back("Authorization: Bearer " + token_);
    if (step.type != nullptr) lines.push_back(std::string("Content-Type: ") + step.type);
    if (!step.range.empty()) lines.push_back("Content-Range: " + step.range);
    std::vector<const char*> headers;
    headers.reserve(lines.size());
    for (const std::string& line : lines) headers.push_back(line.c_str());
    const std::string caFile = client_.caFile;
    const HttpsRoute route = HttpsRouteFor(client_.proxy, step.url);
    const J6HttpsRequest request{step.method,
                                 step.url.c_str(),
                                 caFile.empty() ? nullptr : caFile.c_str(),
                                 client_.timeoutSeconds,
                                 headers.data(),
                                 headers.size(),
                                 body.data.data(),
                                 body.data.size(),
                                 body.read,
                                 body.source,
                                 body.size,
                                 route.proxies.c_str()};
    std::string received(kAnswerCapacity, '\0');
    J6HttpsAnswer got{0, received.data(), received.size(), 0, 0, 0};
    char text[512] = {};
    const int answered = transport_.request(&request, &got, text, sizeof text);
    for (std::string& line : lines) line.assign(line.size(), '\0');
    received.resize(got.bodySize);
    *answer = received;
    *status = got.status;
    *retryAfter = got.retryAfter;
    if (answered != 0) return Outcome::kDone;
    if (step.sends && got.requestSent != 0) {
      *error = "no answer from " + host_ + ": " + kMaybeSentText;
      return Outcome::kMaybeSent;
    }
    // The upload URL's host is not named: the URL is a credential.
    *error = (step.authorized ? host_ : std::string("the upload")) + ": " + text;
    return Outcome::kFailed;
  }

  oauth::OAuthClient client_;
  std::string mailbox_;
  std::string host_;
  std::string token_;
  bool renewable_ = false;
  platform::DynamicLibrary library_;
  net::Transport transport_;
};

class GraphSender final : public Sender {
 public:
  const SenderTraits& traits() const override { return kGraphTraits; }

  std::string SenderAddress(const RunState& run) const override {
    return mail::ReadRecipient(SenderSetting(run, run.graph.from.view())).address;
  }

  bool Open(const RunState& run) override {
    LogLine("Graph: %s as %s", GraphUrl(run.graph).c_str(),
            std::string(run.graph.user.view()).c_str());
    return true;
  }

  bool Prepare(RunState& run, const MailParts& parts) override {
    std::string error;
    if (!CheckGraphSettings(run, &mail_.sender, &error) ||
        !ReadSmtpRecipients(parts.recipients, &mail_.recipients, &error) ||
        !OpenAttachments(parts, &mail_, &error) || !WithinGraphsLimit(&error) ||
        !(message_ = MakeMessage(run, mail_, true, &error)) || !session_.Open(run, &error) ||
        !session_.SignIn(&error)) {
      return Failed(error);
    }
    return true;
  }

  HandOver Deliver(RunState& run, bool /*wait*/) override {
    std::string error;
    const bool whole = (message_->size() + 2) / 3 * 4 <= kSendMailLimit;
    const Outcome outcome = whole ? SendWhole(&error) : SendByDraft(run, &error);
    if (outcome == Outcome::kDone) return HandOver::kHandedOver;
    Failed(error);
    if (outcome == Outcome::kMaybeSent) return HandOver::kMaybeSent;
    // No half-built mail waits in Drafts.
    if (!draft_.empty()) DeleteDraft(draft_);
    return HandOver::kFailed;
  }

 private:
  static bool Failed(const std::string& reason) {
    LogLine("Graph error: %s", reason.c_str());
    return false;
  }

  bool WithinGraphsLimit(std::string* error) const {
    for (const mail::MimeAttachment& attachment : mail_.attachments) {
      if (attachment.size > kLargestAttachment) {
        *error = attachment.name + " is larger than the 150 MB Graph takes";
        return false;
      }
    }
    return true;
  }

  /// The MIME message, base64, in one sendMail.
  Outcome SendWhole(std::string* error) {
    auto reader = std::make_unique<mail::Base64Reader>(message_.get());
    Body body;
    body.read = [](void* source, char* buffer, std::size_t size) {
      const std::size_t got = static_cast<mail::Base64Reader*>(source)->Read(buffer, size);
      return got == mail::kReadFailed ? J6SMTP_READ_FAILED : got;
    };
    body.source = reader.get();
    body.size = reader->size();
    body.rewind = [this, &reader, &body] {
      if (!message_->Rewind()) return false;
      reader = std::make_unique<mail::Base64Reader>(message_.get());
      body.source = reader.get();
      return true;
    };
    std::string answer;
    const Step step{"POST", session_.mailbox() + "/sendMail", "text/plain", true, true, 202, {}};
    const Outcome outcome = session_.Call(step, body, &answer, error);
    if (outcome != Outcome::kDone && !message_->failure().empty()) *error = message_->failure();
    return outcome;
  }

  /// A draft of the message without its attachments, each attachment added
  /// to it, then sent; a draft that a step failed after is left in draft_.
  Outcome SendByDraft(const RunState& run, std::string* error) {
    std::unique_ptr<mail::MimeMessage> bare = MakeMessage(run, mail_, false, error);
    std::string mime;
    if (!bare || !ReadWhole(bare.get(), &mime)) {
      if (bare) *error = bare->failure();
      return Outcome::kFailed;
    }
    Body draft;
    mail::AppendBase64(mime, &draft.data);
    std::string answer;
    const std::string messages = session_.mailbox() + "/messages";
    Outcome outcome = session_.Call({"POST", messages, "text/plain", true, false, 201, {}}, draft,
                                    &answer, error);
    if (outcome != Outcome::kDone) return outcome;
    std::string id;
    if (!ReadJsonText(answer, "id", &id)) {
      *error = "the draft's answer names no id";
      return Outcome::kFailed;
    }
    const std::string url = messages + "/" + mail::PercentEncoded(id, KeptInPath);
    for (const mail::MimeAttachment& attachment : mail_.attachments) {
      outcome = attachment.size < kSmallAttachment ? AddSmall(url, attachment, error)
                                                   : Upload(url, attachment, error);
      if (outcome != Outcome::kDone) break;
    }
    if (outcome == Outcome::kDone) {
      Body none;
      outcome = session_.Call({"POST", url + "/send", nullptr, true, true, 202, {}}, none, &answer,
                              error);
    }
    if (outcome == Outcome::kFailed) draft_ = url;
    return outcome;
  }

  void DeleteDraft(const std::string& url) {
    Body none;
    std::string answer;
    std::string error;
    if (session_.Call({"DELETE", url, nullptr, true, false, 204, {}}, none, &answer, &error) ==
        Outcome::kDone) {
      LogLine("Graph: the draft was deleted");
    } else {
      LogLine("Graph: the draft could not be deleted: %s", error.c_str());
    }
  }

  Outcome AddSmall(const std::string& url, const mail::MimeAttachment& attachment,
                   std::string* error) {
    std::string bytes(static_cast<std::size_t>(attachment.size), '\0');
    if (std::fseek(attachment.file, 0, SEEK_SET) != 0 ||
        std::fread(&bytes[0], 1, bytes.size(), attachment.file) != bytes.size()) {
      *error = "cannot read " + attachment.origin + " to its end";
      return Outcome::kFailed;
    }
    std::string content;
    mail::AppendBase64(bytes, &content);
    Body body;
    body.data = FileAttachmentJson(platform::Utf8FromWindows1252(attachment.name),
                                   mail::AttachmentType(attachment.name), content);
    std::string answer;
    return session_.Call({"POST", url + "/attachments", "application/json", true, false, 201, {}},
                         body, &answer, error);
  }

  /// An upload session, and the file in chunks where it asks for them.
  Outcome Upload(const std::string& url, const mail::MimeAttachment& attachment,
                 std::string* error) {
    Body session;
    session.data = UploadSessionJson(platform::Utf8FromWindows1252(attachment.name),
                                     mail::AttachmentType(attachment.name), attachment.size);
    std::string answer;
    Outcome outcome = session_.Call({"POST",
                                     url + "/attachments/createUploadSession",
                                     "application/json",
                                     true,
                                     false,
                                     201,
                                     {}},
                                    session, &answer, error);
    if (outcome != Outcome::kDone) return outcome;
    std::string uploadUrl;
    if (!ReadJsonText(answer, "uploadUrl", &uploadUrl)) {
      *error = "the upload session's answer names no uploadUrl";
      return Outcome::kFailed;
    }
    unsigned long long start = 0;
    const unsigned long long total = attachment.size;
    for (;;) {
      const unsigned long long size = std::min(kUploadChunk, total - start);
      Chunk chunk{attachment.file, start, size};
      Body body;
      body.read = ReadChunk;
      body.source = &chunk;
      body.size = size;
      body.rewind = [&chunk, size] {
        chunk.left = size;
        return std::fseek(chunk.file, static_cast<long>(chunk.start), SEEK_SET) == 0;
      };
      if (!body.rewind()) {
        *error = "cannot read " + attachment.origin;
        return Outcome::kFailed;
      }
      const std::string range = "bytes " + std::to_string(start) + "-" +
                                std::to_string(start + size - 1) + "/" + std::to_string(total);
      const bool last = start + size == total;
      outcome =
          session_.Call({"PUT", uploadUrl, "application/octet-stream", false, false, 200, range},
                        body, &answer, error);
      if (outcome != Outcome::kDone) {
        if (chunk.left != 0 && error->find("could not be read") != std::string::npos) {
          *error = attachment.origin + " changed while it was sent";
        }
        return outcome;
      }
      if (last) break;
      if (!ReadNextStart(answer, &start) || start == 0 || start >= total) {
        *error = "the upload session asks for no next range";
        return Outcome::kFailed;
      }
    }
    for (char& c : uploadUrl) c = '\0';
    return Outcome::kDone;
  }

  OutgoingMail mail_;
  std::unique_ptr<mail::MimeMessage> message_;
  GraphSession session_;
  std::string draft_;  // its URL, when a failed run left one
};

}  // namespace

HandOver SendGraph(RunState& run, bool wait) {
  GraphSender sender;
  return HandOverMail(run, wait, sender);
}

bool ProbeGraph(const RunState& run, const std::string& token, std::string* error) {
  GraphSession session;
  if (!session.Open(run, error)) return false;
  session.UseToken(token);
  // An empty sendMail is no mail: Graph refuses its content (400) once the
  // token and its permission are accepted, and sends nothing.
  Body none;
  std::string answer;
  const Step step{"POST", session.mailbox() + "/sendMail", "text/plain", true, false, 400, {}};
  return session.Call(step, none, &answer, error) == Outcome::kDone;
}

}  // namespace j6
