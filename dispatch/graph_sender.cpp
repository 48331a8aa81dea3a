#include "dispatch/graph_sender.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "dispatch/api_session.h"
#include "dispatch/graph_json.h"
#include "dispatch/graph_settings.h"
#include "dispatch/outgoing_mail.h"
#include "dispatch/sender.h"
#include "dispatch/smtp_settings.h"
#include "mail/address.h"
#include "mail/base64.h"
#include "mail/mail_text.h"
#include "mail/percent_encoded.h"
#include "platform/ascii.h"
#include "platform/windows1252.h"
#include "platform/wipe.h"
#include "run/run_log.h"

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

// Graph takes a request of at most 4 MB; below it with room to spare. An
// attachment goes in one request when that request stays within it, else
// through an upload session; and when Graph refuses a session for a file
// under 3 MB, in one request after all while it stays within 4 MiB.
constexpr unsigned long long kRequestLimit = 4000000;
constexpr unsigned long long kRequestHardLimit = 4ULL * 1024 * 1024;
constexpr unsigned long long kLargestAttachment = 150ULL * 1024 * 1024;
// At most 4 MiB a request, in multiples of 320 KiB.
constexpr unsigned long long kUploadChunk = 12ULL * 320 * 1024;

constexpr char kTooSmallForSession[] = "ErrorAttachmentSizeShouldNotBeLessThanMinimumSize";

bool KeptInPath(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_' || c == '~' || c == '@';
}

bool KeptInQuery(char c) { return KeptInPath(c) && c != '@'; }

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

/// Graph throttles with 429, and with 503 or 504 and a Retry-After.
long GraphWait(long status, long retryAfter, const std::string& /*body*/) {
  if (status == 429) return retryAfter > 0 ? retryAfter : 0;
  if ((status == 503 || status == 504) && retryAfter > 0) return retryAfter;
  return -1;
}

}  // namespace

const ApiPolicy kGraphPolicy = {"Graph", &GraphWait, &Refusal,
                                "look in Sent Items before sending it again"};

namespace {

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
  if (got < wanted) return J6_READ_FAILED;
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

/// The size of the fileAttachment request of `attachment`.
unsigned long long InlineSize(const mail::MimeAttachment& attachment) {
  return FileAttachmentJsonSize(platform::Utf8FromWindows1252(attachment.name),
                                mail::AttachmentType(attachment.name), attachment.size);
}

std::string MailboxUrl(const oauth::OAuthClient& client) {
  return client.server + "/users/" + mail::PercentEncoded(client.user, KeptInPath);
}

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
        !ReadRecipients(parts.recipients, &mail_.recipients, &error) ||
        !OpenAttachments(parts, &mail_, &error) || !WithinGraphsLimit(&error) ||
        !(message_ = MakeMessage(run, mail_, true, &error)) ||
        !session_.Open(GraphOAuthClient(run), kGraphPolicy, &error) || !session_.SignIn(&error)) {
      return Failed(error);
    }
    mailbox_ = MailboxUrl(session_.client());
    return true;
  }

  HandOver Deliver(RunState& run, bool /*wait*/) override {
    std::string error;
    const bool whole = (message_->size() + 2) / 3 * 4 <= kRequestLimit;
    const HandOver outcome = whole ? SendWhole(&error) : SendByDraft(run, &error);
    if (outcome == HandOver::kHandedOver) return HandOver::kHandedOver;
    Failed(error);
    if (outcome == HandOver::kMaybeSent) return HandOver::kMaybeSent;
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
  HandOver SendWhole(std::string* error) {
    auto reader = std::make_unique<mail::Base64Reader>(message_.get());
    ApiBody body;
    body.read = [](void* source, char* buffer, std::size_t size) {
      return static_cast<mail::Base64Reader*>(source)->Read(buffer, size);
    };
    body.source = reader.get();
    body.size = reader->size();
    body.rewind = [this, &reader, &body] {
      if (!message_->Rewind()) return false;
      reader = std::make_unique<mail::Base64Reader>(message_.get());
      body.source = reader.get();
      return true;
    };
    ApiAnswer answer;
    ApiRequest request{"POST", mailbox_ + "/sendMail", "text/plain", {202}};
    request.sends = true;
    const HandOver outcome = session_.Call(request, body, &answer, error);
    if (outcome != HandOver::kHandedOver && !message_->failure().empty())
      *error = message_->failure();
    return outcome;
  }

  /// A draft of the message without its attachments, each attachment added
  /// to it, then sent; a draft that a step failed after is left in draft_.
  HandOver SendByDraft(const RunState& run, std::string* error) {
    std::string messageId;
    std::unique_ptr<mail::MimeMessage> bare = MakeMessage(run, mail_, false, error, &messageId);
    std::string mime;
    if (!bare || !ReadWhole(bare.get(), &mime)) {
      if (bare) *error = bare->failure();
      return HandOver::kFailed;
    }
    ApiBody draft;
    mail::AppendBase64(mime, &draft.data);
    std::string id;
    HandOver outcome = CreateDraft(draft, messageId, &id, error);
    if (outcome != HandOver::kHandedOver) return outcome;
    const std::string url = mailbox_ + "/messages/" + mail::PercentEncoded(id, KeptInPath);
    for (const mail::MimeAttachment& attachment : mail_.attachments) {
      outcome = InlineSize(attachment) <= kRequestLimit ? AddSmall(url, attachment, error)
                                                        : Upload(url, attachment, error);
      if (outcome != HandOver::kHandedOver) break;
    }
    if (outcome == HandOver::kHandedOver) {
      ApiBody none;
      ApiAnswer answer;
      ApiRequest send{"POST", url + "/send", nullptr, {202}};
      send.sends = true;
      outcome = session_.Call(send, none, &answer, error);
    }
    if (outcome == HandOver::kFailed) draft_ = url;
    return outcome;
  }

  /// The draft, made once: a request that Graph may have carried out
  /// without an answer is not made again before its draft is found by the
  /// mail's Message-ID and deleted.
  HandOver CreateDraft(ApiBody& draft, const std::string& messageId, std::string* id,
                       std::string* error) {
    ApiRequest create{"POST", mailbox_ + "/messages", "text/plain", {201}};
    create.repeatable = false;
    create.fresh = true;
    for (int made = 1;; ++made) {
      ApiAnswer answer;
      const HandOver outcome = session_.Call(create, draft, &answer, error);
      if (outcome == HandOver::kHandedOver) {
        if (ReadJsonText(answer.body, "id", id)) return outcome;
        *error = "the draft's answer names no id";
        return HandOver::kFailed;
      }
      if (!answer.lost) return outcome;
      if (made == 2 || !RemoveDraftsOf(messageId, error)) {
        *error += ": a draft may remain in Drafts";
        return HandOver::kFailed;
      }
    }
  }

  /// Deletes the drafts Graph finds with `messageId`; false, with the
  /// reason, when it cannot look.
  bool RemoveDraftsOf(const std::string& messageId, std::string* error) {
    LogLine("Graph: no answer to the draft's making (%s): looking for the draft", error->c_str());
    const std::string filter = "internetMessageId eq '" + messageId + "'";
    ApiRequest search{
        "GET",
        mailbox_ + "/messages?$filter=" + mail::PercentEncoded(filter, KeptInQuery) + "&$select=id",
        nullptr,
        {200}};
    ApiBody none;
    ApiAnswer answer;
    if (session_.Call(search, none, &answer, error) != HandOver::kHandedOver) return false;
    const std::vector<std::string> found = ReadCollectionIds(answer.body);
    // Graph may have given the draft a Message-ID of its own.
    if (found.empty())
      LogLine("Graph: a draft may remain in Drafts: none has this mail's Message-ID");
    for (const std::string& draft : found) {
      DeleteDraft(mailbox_ + "/messages/" + mail::PercentEncoded(draft, KeptInPath));
    }
    return true;
  }

  void DeleteDraft(const std::string& url) {
    ApiBody none;
    ApiAnswer answer;
    std::string error;
    if (session_.Call({"DELETE", url, nullptr, {204}}, none, &answer, &error) ==
        HandOver::kHandedOver) {
      LogLine("Graph: the draft was deleted");
    } else {
      LogLine("Graph: the draft could not be deleted: %s", error.c_str());
    }
  }

  /// The attachment in one request. Not tried again after a lost answer:
  /// it could be attached twice.
  HandOver AddSmall(const std::string& url, const mail::MimeAttachment& attachment,
                    std::string* error) {
    std::string bytes(static_cast<std::size_t>(attachment.size), '\0');
    if (std::fseek(attachment.file, 0, SEEK_SET) != 0 ||
        std::fread(&bytes[0], 1, bytes.size(), attachment.file) != bytes.size()) {
      *error = "cannot read " + attachment.origin + " to its end";
      return HandOver::kFailed;
    }
    std::string content;
    mail::AppendBase64(bytes, &content);
    ApiBody body;
    body.data = FileAttachmentJson(platform::Utf8FromWindows1252(attachment.name),
                                   mail::AttachmentType(attachment.name), content);
    ApiAnswer answer;
    ApiRequest add{"POST", url + "/attachments", "application/json", {201}};
    add.repeatable = false;
    const HandOver outcome = session_.Call(add, body, &answer, error);
    return outcome;
  }

  /// An upload session, and the file in pieces where it asks for them; a
  /// session whose piece was lost and then refused, or that expired, is
  /// deleted, and one new session sends the file from its first byte.
  HandOver Upload(const std::string& url, const mail::MimeAttachment& attachment,
                  std::string* error) {
    for (int begun = 1;; ++begun) {
      ApiBody session;
      session.data = UploadSessionJson(platform::Utf8FromWindows1252(attachment.name),
                                       mail::AttachmentType(attachment.name), attachment.size);
      ApiAnswer answer;
      const HandOver made = session_.Call(
          {"POST", url + "/attachments/createUploadSession", "application/json", {201}}, session,
          &answer, error);
      if (made != HandOver::kHandedOver) {
        // Graph's page names 3 MB as the least an upload session takes.
        if (GraphErrorCode(answer.body) == kTooSmallForSession &&
            InlineSize(attachment) <= kRequestHardLimit) {
          return AddSmall(url, attachment, error);
        }
        return made;
      }
      std::string uploadUrl;
      if (!ReadJsonText(answer.body, "uploadUrl", &uploadUrl)) {
        *error = "the upload session's answer names no uploadUrl";
        return HandOver::kFailed;
      }
      bool again = false;
      const HandOver outcome = UploadPieces(uploadUrl, attachment, &again, error);
      if (again) DeleteUploadSession(uploadUrl);
      platform::Wipe(&uploadUrl);
      if (!again || begun == 2) return outcome;
      LogLine("Graph: the upload of %s begins again (%s)", attachment.name.c_str(), error->c_str());
    }
  }

  /// The pieces of the file where the session at `uploadUrl` asks for them.
  /// `*again` when the session is no more to be used: a piece lost and then
  /// refused or lost again, or the session gone.
  HandOver UploadPieces(const std::string& uploadUrl, const mail::MimeAttachment& attachment,
                        bool* again, std::string* error) {
    const unsigned long long total = attachment.size;
    unsigned long long start = 0;
    bool lost = false;  // the piece at `start` went once without an answer
    for (;;) {
      const unsigned long long size = std::min(kUploadChunk, total - start);
      Chunk chunk{attachment.file, start, size};
      ApiBody body;
      body.read = ReadChunk;
      body.source = &chunk;
      body.size = size;
      body.rewind = [&chunk, size] {
        chunk.left = size;
        return std::fseek(chunk.file, static_cast<long>(chunk.start), SEEK_SET) == 0;
      };
      if (!body.rewind()) {
        *error = "cannot read " + attachment.origin;
        return HandOver::kFailed;
      }
      ApiRequest put{"PUT", uploadUrl, "application/octet-stream", {200, 201}};
      put.headers.push_back("Content-Range: bytes " + std::to_string(start) + "-" +
                            std::to_string(start + size - 1) + "/" + std::to_string(total));
      put.authorized = false;
      put.repeatable = false;
      ApiAnswer answer;
      const HandOver outcome = session_.Call(put, body, &answer, error);
      if (outcome == HandOver::kHandedOver) {
        if (answer.status == 201) return outcome;
        unsigned long long next = 0;
        if (!ReadNextStart(answer.body, &next)) {
          if (start + size == total) return outcome;
          *error = "the upload session asks for no next range";
          return HandOver::kFailed;
        }
        // An answer that does not move on would have the same piece sent
        // for ever.
        if (next <= start || next > total) {
          *error = "the upload session asks for byte " + std::to_string(next) + " after " +
                   std::to_string(start + size) + " bytes were sent";
          return HandOver::kFailed;
        }
        start = next;
        lost = false;
        continue;
      }
      if (chunk.left != 0 && error->find("could not be read") != std::string::npos) {
        *error = attachment.origin + " changed while it was sent";
        return HandOver::kFailed;
      }
      const bool expired = answer.status == 404 || answer.status == 410 || answer.status == 416;
      if (answer.lost && !lost) {
        // Once more, from where the session stands, where it says so.
        LogLine("Graph: a piece of %s was lost (%s): it goes again", attachment.name.c_str(),
                error->c_str());
        lost = true;
        AskWhereUploadStands(uploadUrl, total, &start);
        continue;
      }
      *again = answer.lost || expired || (lost && answer.status >= 400);
      return HandOver::kFailed;
    }
  }

  /// Where an upload session stands, asked with a GET where the service
  /// answers one (Outlook's page documents none): `*start` is left as it is
  /// otherwise.
  void AskWhereUploadStands(const std::string& uploadUrl, unsigned long long total,
                            unsigned long long* start) {
    ApiRequest ask{"GET", uploadUrl, nullptr, {200}};
    ask.authorized = false;
    ask.repeatable = false;
    ApiBody none;
    ApiAnswer answer;
    std::string ignored;
    unsigned long long next = 0;
    if (session_.Call(ask, none, &answer, &ignored) == HandOver::kHandedOver &&
        ReadNextStart(answer.body, &next) && next <= total) {
      *start = next;
    }
  }

  void DeleteUploadSession(const std::string& uploadUrl) {
    ApiRequest remove{"DELETE", uploadUrl, nullptr, {200, 204}};
    remove.authorized = false;
    ApiBody none;
    ApiAnswer answer;
    std::string ignored;
    session_.Call(remove, none, &answer, &ignored);
  }

  OutgoingMail mail_;
  std::unique_ptr<mail::MimeMessage> message_;
  ApiSession session_;
  std::string mailbox_;
  std::string draft_;  // its URL, when a failed run left one
};

/// Whether a refusal of a mail without recipients is Graph's: any other
/// refusal is not the mailbox's answer (a URL without its version).
bool RefusesForRecipients(const std::string& body) {
  if (GraphErrorCode(body) == "ErrorInvalidRecipients") return true;
  const std::string text = GraphErrorText(body);
  for (std::size_t at = 0; at + 9 <= text.size(); ++at) {
    if (platform::EqualsIgnoringAsciiCase(std::string_view(text).substr(at, 9), "recipient")) {
      return true;
    }
  }
  return false;
}

}  // namespace

HandOver SendGraph(RunState& run, bool wait) {
  GraphSender sender;
  return HandOverMail(run, wait, sender);
}

bool ProbeGraph(const RunState& run, const std::string& token, std::string* error) {
  ApiSession session;
  const oauth::OAuthClient client = GraphOAuthClient(run);
  if (!session.Open(client, kGraphPolicy, error)) return false;
  session.UseToken(token);
  // A mail without recipients: Graph refuses it once the token and its
  // permission are accepted, and sends nothing.
  ApiBody body;
  mail::AppendBase64(
      "From: " + client.user +
          "\r\nSubject: J6MailerCheck\r\nMIME-Version: 1.0\r\nContent-Type: text/plain\r\n\r\n"
          "A mail without recipients, which Graph refuses: nothing is sent.\r\n",
      &body.data);
  ApiAnswer answer;
  if (session.Call({"POST", MailboxUrl(client) + "/sendMail", "text/plain", {400}}, body, &answer,
                   error) != HandOver::kHandedOver) {
    return false;
  }
  if (RefusesForRecipients(answer.body)) return true;
  *error = Refusal(answer.status, answer.body) +
           ": not Graph's answer to a mail without recipients: URL must be Graph's root with its "
           "version, as https://graph.microsoft.com/v1.0";
  return false;
}

}  // namespace j6
