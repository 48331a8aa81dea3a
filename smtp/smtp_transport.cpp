// The SMTP transport over libcurl's easy and MIME interfaces. The message is
// a multipart/mixed that curl writes as it sends it: an attachment is read
// through its callback and encoded a chunk at a time, never held whole.
#include "smtp/smtp_transport.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>

#include "smtp/base64.h"

namespace {

constexpr long kUploadBuffer = 512L * 1024;
// Whole base64 lines of 76 characters from 57 bytes each.
constexpr size_t kLineBytes = 57;
constexpr size_t kChunkBytes = kLineBytes * 1024;

/// A streamed part's content as base64 lines, encoded here a large chunk at
/// a time. curl's own encoder hands back a few hundred bytes a read, and
/// each read became one TLS record and one send: under Wine, where each
/// send is a round trip to the Wine server, a 20 MB attachment took a
/// minute.
struct Base64Stream {
  const J6SmtpPart* part = nullptr;
  std::string raw;
  std::string encoded;  // not yet handed to curl
  size_t offset = 0;
  bool ended = false;
};

void EncodeBase64Lines(const std::string& raw, std::string* out) {
  out->clear();
  const std::string_view bytes(raw);
  for (size_t line = 0; line < bytes.size(); line += kLineBytes) {
    j6::smtp::AppendBase64(bytes.substr(line, kLineBytes), out);
    *out += "\r\n";
  }
}

/// Fills the raw chunk from the part's source; false when the source fails.
bool Refill(Base64Stream* stream) {
  stream->raw.resize(kChunkBytes);
  size_t filled = 0;
  while (filled < kChunkBytes) {
    const size_t got =
        stream->part->read(stream->part->source, &stream->raw[filled], kChunkBytes - filled);
    if (got == J6SMTP_READ_FAILED) return false;
    if (got == 0) {
      stream->ended = true;
      break;
    }
    filled += got;
  }
  stream->raw.resize(filled);
  EncodeBase64Lines(stream->raw, &stream->encoded);
  stream->offset = 0;
  return true;
}

size_t ReadBase64(char* buffer, size_t size, size_t count, void* arg) {
  auto* stream = static_cast<Base64Stream*>(arg);
  const size_t wanted = size * count;
  size_t given = 0;
  while (given < wanted) {
    if (stream->offset == stream->encoded.size()) {
      if (stream->ended) break;
      if (!Refill(stream)) return CURL_READFUNC_ABORT;
      continue;
    }
    const size_t left = stream->encoded.size() - stream->offset;
    const size_t take = wanted - given < left ? wanted - given : left;
    std::memcpy(buffer + given, stream->encoded.data() + stream->offset, take);
    stream->offset += take;
    given += take;
  }
  return given;
}

class HeaderList {
 public:
  HeaderList() = default;
  ~HeaderList() { curl_slist_free_all(list_); }
  HeaderList(const HeaderList&) = delete;
  HeaderList& operator=(const HeaderList&) = delete;

  bool Add(const char* text) {
    curl_slist* grown = curl_slist_append(list_, text);
    if (grown == nullptr) return false;
    list_ = grown;
    return true;
  }
  bool AddAll(const char* const* texts, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      if (!Add(texts[i])) return false;
    }
    return true;
  }
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

struct Session {
  CURL* curl = curl_easy_init();
  curl_mime* mime = nullptr;
  HeaderList recipients;
  HeaderList headers;
  std::deque<HeaderList> partHeaders;  // curl reads them while it sends
  std::deque<Base64Stream> streams;
  char curlError[CURL_ERROR_SIZE] = {};
  std::string url;
  std::string lastReply;  // the server's last reply line before QUIT
  bool quitting = false;

  Session() = default;
  ~Session() {
    curl_mime_free(mime);
    curl_easy_cleanup(curl);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

// What the server says arrives as header data; its last line before the
// session is closed is kept (curl closes a failed session before it returns,
// and the answer to QUIT would hide the refusal). Of what is sent only the
// QUIT is looked for, so a password never reaches the error text.
int Watch(CURL* /*curl*/, curl_infotype type, char* data, size_t size, void* arg) {
  auto* session = static_cast<Session*>(arg);
  if (type == CURLINFO_HEADER_OUT && size >= 4 && std::strncmp(data, "QUIT", 4) == 0) {
    session->quitting = true;
  }
  if (type != CURLINFO_HEADER_IN || session->quitting) return 0;
  std::string line(data, size);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (!line.empty()) session->lastReply = line;
  return 0;
}

int ReplyCode(const std::string& reply) {
  if (reply.size() < 3) return 0;
  int code = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (reply[i] < '0' || reply[i] > '9') return 0;
    code = code * 10 + (reply[i] - '0');
  }
  return code;
}

bool AddParts(Session& session, const J6SmtpMail& mail) {
  session.mime = curl_mime_init(session.curl);
  if (session.mime == nullptr) return false;
  for (size_t i = 0; i < mail.partCount; ++i) {
    const J6SmtpPart& given = mail.parts[i];
    curl_mimepart* part = curl_mime_addpart(session.mime);
    if (part == nullptr) return false;
    HeaderList& headers = session.partHeaders.emplace_back();
    // A streamed part is encoded here (base64 only); curl encodes the rest.
    const bool streamed = given.read != nullptr;
    if (streamed && std::strcmp(given.encoding, "base64") != 0) return false;
    CURLcode content = CURLE_OK;
    if (streamed) {
      Base64Stream& stream = session.streams.emplace_back();
      stream.part = &given;
      content = curl_mime_data_cb(part, -1, ReadBase64, nullptr, nullptr, &stream);
    } else {
      content = curl_mime_data(part, given.data, given.dataSize);
      if (content == CURLE_OK) content = curl_mime_encoder(part, given.encoding);
    }
    if (content != CURLE_OK || curl_mime_type(part, given.type) != CURLE_OK ||
        (streamed && !headers.Add("Content-Transfer-Encoding: base64")) ||
        !headers.AddAll(given.headers, given.headerCount) ||
        curl_mime_headers(part, headers.get(), 0) != CURLE_OK) {
      return false;
    }
  }
  return true;
}

/// The URL to ask curl for. A user without a password is looked up in the
/// netrc file: curl 7.88 finds that user's password there only when the
/// user is part of the URL (with CURLOPT_USERNAME it sends an empty one).
std::string SessionUrl(const J6SmtpMail& mail) {
  if (mail.user == nullptr || mail.password != nullptr || mail.netrcFile == nullptr) {
    return mail.url;
  }
  std::string url = mail.url;
  CURLU* parsed = curl_url();
  char* joined = nullptr;
  if (parsed != nullptr && curl_url_set(parsed, CURLUPART_URL, mail.url, 0) == CURLUE_OK &&
      curl_url_set(parsed, CURLUPART_USER, mail.user, CURLU_URLENCODE) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_URL, &joined, 0) == CURLUE_OK) {
    url = joined;
  }
  curl_free(joined);
  curl_url_cleanup(parsed);
  return url;
}

/// The session's connection: server, TLS, time limits, login.
bool ConfigureConnection(Session& session, const J6SmtpMail& mail) {
  CURL* curl = session.curl;
  session.url = SessionUrl(mail);
  const bool implicitTls = std::strncmp(mail.url, "smtps://", 8) == 0;
  long useTls = CURLUSESSL_ALL;
  if (mail.tls == J6SMTP_TLS_TRY) useTls = CURLUSESSL_TRY;
  if (mail.tls == J6SMTP_TLS_NONE) useTls = CURLUSESSL_NONE;
  if (implicitTls) useTls = CURLUSESSL_ALL;
  const long timeout = mail.timeoutSeconds;
  bool ok = curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, session.curlError) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_URL, session.url.c_str()) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps") == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_USE_SSL, useTls) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK &&
            // A private authority seldom publishes revocation lists; Schannel
            // would refuse every certificate it signed. (Other TLS
            // libraries ignore the option.)
            curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, long{CURLSSLOPT_REVOKE_BEST_EFFORT}) ==
                CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeout) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout) == CURLE_OK &&
            // A server that stops reading the message is given up as well.
            curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeout) == CURLE_OK &&
            // Fewer, larger writes: each costs a round trip to the Wine
            // server under Wine.
            curl_easy_setopt(curl, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBuffer) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, Watch) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &session) == CURLE_OK;
  if (ok && mail.caFile != nullptr) {
    ok = curl_easy_setopt(curl, CURLOPT_CAINFO, mail.caFile) == CURLE_OK;
  }
  if (ok && mail.user != nullptr && session.url == mail.url) {
    ok = curl_easy_setopt(curl, CURLOPT_USERNAME, mail.user) == CURLE_OK;
  }
  if (ok && mail.password != nullptr) {
    ok = curl_easy_setopt(curl, CURLOPT_PASSWORD, mail.password) == CURLE_OK;
  }
  if (ok && mail.netrcFile != nullptr) {
    ok = curl_easy_setopt(curl, CURLOPT_NETRC_FILE, mail.netrcFile) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NETRC, long{CURL_NETRC_OPTIONAL}) == CURLE_OK;
  }
  return ok;
}

bool Configure(Session& session, const J6SmtpMail& mail) {
  CURL* curl = session.curl;
  // Without CURLOPT_MAIL_RCPT_ALLOWFAILS one refused recipient ends the
  // session before DATA: nobody gets a mail that some did not.
  return ConfigureConnection(session, mail) &&
         curl_easy_setopt(curl, CURLOPT_MAIL_FROM, mail.mailFrom) == CURLE_OK &&
         session.recipients.AddAll(mail.recipients, mail.recipientCount) &&
         curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, session.recipients.get()) == CURLE_OK &&
         session.headers.AddAll(mail.headers, mail.headerCount) &&
         curl_easy_setopt(curl, CURLOPT_HTTPHEADER, session.headers.get()) == CURLE_OK &&
         AddParts(session, mail) &&
         curl_easy_setopt(curl, CURLOPT_MIMEPOST, session.mime) == CURLE_OK;
}

void SetError(char* error, size_t size, const std::string& text) {
  if (error == nullptr || size == 0) return;
  std::snprintf(error, size, "%s", text.c_str());
}

/// Runs the configured session; 1, or 0 with what failed in `error`.
int Perform(Session& session, char* error, size_t errorSize) {
  const CURLcode result = curl_easy_perform(session.curl);
  if (result == CURLE_OK) return 1;
  std::string text = session.curlError[0] != '\0' ? session.curlError : curl_easy_strerror(result);
  // The server's own words when it refused something.
  if (ReplyCode(session.lastReply) >= 400) text += " (" + session.lastReply + ")";
  SetError(error, errorSize, text);
  return 0;
}

bool Initialised(char* error, size_t errorSize) {
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised == CURLE_OK) return true;
  SetError(error, errorSize, curl_easy_strerror(initialised));
  return false;
}

int Send(const J6SmtpMail& mail, char* error, size_t errorSize) {
  if (!Initialised(error, errorSize)) return 0;
  Session session;
  if (session.curl == nullptr || !Configure(session, mail)) {
    SetError(error, errorSize, "libcurl could not be set up for the message");
    return 0;
  }
  return Perform(session, error, errorSize);
}

int Probe(const J6SmtpMail& mail, char* error, size_t errorSize) {
  if (!Initialised(error, errorSize)) return 0;
  Session session;
  // An SMTP session's connection takes in the greeting, EHLO, STARTTLS and
  // the login; with CONNECT_ONLY curl stops there, and QUIT ends it.
  if (session.curl == nullptr || !ConfigureConnection(session, mail) ||
      curl_easy_setopt(session.curl, CURLOPT_CONNECT_ONLY, 1L) != CURLE_OK) {
    SetError(error, errorSize, "libcurl could not be set up for the session");
    return 0;
  }
  return Perform(session, error, errorSize);
}

}  // namespace

extern "C" int J6Smtp_Probe(const J6SmtpMail* mail, char* error, size_t errorSize) {
  try {
    return Probe(*mail, error, errorSize);
  } catch (...) {
    SetError(error, errorSize, "out of memory");
    return 0;
  }
}

extern "C" int J6Smtp_Send(const J6SmtpMail* mail, char* error, size_t errorSize) {
  try {
    return Send(*mail, error, errorSize);
  } catch (...) {
    SetError(error, errorSize, "out of memory");
    return 0;
  }
}
