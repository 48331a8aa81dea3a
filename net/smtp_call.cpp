// The transport's SMTP session: curl connects, greets, secures and signs in
// (CURLOPT_CONNECT_ONLY); the mail's transaction is net/smtp_transaction's,
// which pipelines the envelope where the server offers it. The message comes
// from the caller's callback as it is sent, never held whole here.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "mail/base64.h"
#include "net/curl_rules.h"
#include "net/net_transport.h"
#include "net/smtp_transaction.h"
#include "platform/ascii.h"
#include "platform/proxy_lists.h"
#include "platform/url.h"

namespace {

using j6::net::SetError;

// RFC 5321 4.5.3.2.6: the reply to the end of the data; curl's limit for
// every reply of its own.
constexpr long kLastReplySeconds = 600;

using Clock = std::chrono::steady_clock;

// The QUIT after the server took the mail: nothing hangs on its reply.
constexpr std::chrono::seconds kQuitWait{2};

/// TIMEOUT for each step of connecting: the connection and the greeting,
/// each reply, the TLS handshake. curl has one time limit for every reply,
/// and one for the whole of connecting, so it is given the long ones and
/// this holds the short one, step by step.
struct Pace {
  Clock::duration timeout{};
  bool awaiting = true;           // a step has begun and not ended
  std::string step = "greeting";  // for the error text
  Clock::time_point since = Clock::now();
};

/// What the server offered, for the sign-in and the transaction.
struct Progress {
  std::string command;  // the verb of the last command sent
  bool offersStartTls = false;
  j6::net::SmtpOffers offers;  // PIPELINING, SIZE
  std::string mechanisms;      // of the last EHLO's AUTH line, blank-separated
  bool authSent = false;
  bool quitting = false;
  Clock::time_point quitAt;
};

struct Session {
  CURL* curl = curl_easy_init();
  char curlError[CURL_ERROR_SIZE] = {};
  std::string url;
  std::string lastReply;    // the server's last reply line before QUIT
  std::string lastReplyTo;  // the verb of the command it answers
  // A login is asked for: a server that offers no AUTH gets no mail, where
  // curl would go on without one.
  bool loginWanted = false;
  bool implicitTls = false;  // smtps://
  bool tlsComing = false;    // STARTTLS is yet to come: AUTH may be offered after it
  bool tlsOn = false;        // STARTTLS succeeded
  bool stop = false;         // end the session at curl's next call back, sending no more
  std::string proxy;         // the proxy entry it tunnels through; empty: none
  j6::net::ProxyTunnel tunnel;
  // A bearer token's refusal: a SASL challenge (334) whose text, base64 of
  // JSON, says why, before the reply that only denies the login.
  bool bearer = false;
  std::string refusal;
  Pace pace;
  Progress progress;
  std::string failure;  // ours, when we ended the session

  Session() = default;
  ~Session() { curl_easy_cleanup(curl); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

int ReplyCode(const std::string& reply);

/// A challenge's text, decoded, in printable ASCII, cut short; empty when
/// it is not base64.
std::string ChallengeText(const std::string& encoded) {
  std::string text;
  if (!j6::mail::DecodeBase64(encoded, &text)) return std::string();
  if (text.size() > 300) text.resize(300);
  for (char& c : text) {
    if (c < ' ' || c > '~') c = ' ';
  }
  return text;
}

/// The first word of a line, in upper case.
std::string Verb(const char* data, size_t size) {
  std::string verb;
  for (size_t i = 0; i < size && data[i] != ' ' && data[i] != '\r' && data[i] != '\n'; ++i) {
    verb += j6::platform::AsciiUpper(data[i]);
  }
  return verb;
}

/// The commands curl sends; any other line is a SASL response, which may
/// hold a password and is never kept.
bool IsCommand(const std::string& verb) {
  for (const char* known : {"EHLO", "HELO", "STARTTLS", "AUTH", "MAIL", "RCPT", "DATA", "QUIT",
                            "RSET", "NOOP", "VRFY", "EXPN"}) {
    if (verb == known) return true;
  }
  return false;
}

/// Why a session that asks for a login sends nothing to a server that offers
/// none.
std::string NoLoginText(const Session& session) {
  if (!session.implicitTls && !session.tlsOn) {
    return "the server offers no login (AUTH) without TLS: nothing was sent (set TLS=REQUIRED: "
           "servers offer it inside TLS)";
  }
  return "the server offers no login (AUTH): nothing was sent (a relay's port takes mail without "
         "one: leave USER empty and store no password for it; else name the server's port for "
         "submission, 587 or 465)";
}

void CommandSent(Session* session, const char* data, size_t size) {
  Progress& progress = session->progress;
  const std::string verb = Verb(data, size);
  progress.command = IsCommand(verb) ? verb : "AUTH";
  if (progress.command == "MAIL" && session->loginWanted && !progress.authSent) {
    // curl went on without the login it was given.
    session->stop = true;
    session->failure = NoLoginText(*session);
  }
  if (progress.command == "EHLO") {
    progress.offersStartTls = false;
    progress.offers = j6::net::SmtpOffers{};
    progress.mechanisms.clear();
  }
  if (progress.command == "AUTH") progress.authSent = true;
  if (progress.command == "QUIT" && !progress.quitting) {
    progress.quitting = true;
    progress.quitAt = Clock::now();
  }
  Pace& pace = session->pace;
  pace.awaiting = true;
  pace.since = Clock::now();
  pace.step = "reply to " + progress.command;
}

/// An EHLO reply line's keywords: STARTTLS, PIPELINING, SIZE, and AUTH's
/// mechanisms.
void ReadExtension(Progress* progress, const std::string& line) {
  const std::string keyword = Verb(line.c_str() + 4, line.size() - 4);
  if (keyword == "STARTTLS") progress->offersStartTls = true;
  if (keyword == "PIPELINING") progress->offers.pipelining = true;
  if (keyword == "SIZE") progress->offers.size = true;
  if (keyword == "AUTH" && line.size() > 9) progress->mechanisms = line.substr(9);
}

void ReplyLine(Session* session, const std::string& line) {
  Progress& progress = session->progress;
  Pace& pace = session->pace;
  const bool last = !(line.size() >= 4 && line[3] == '-');  // "250-" goes on; "250 " ends
  if (progress.command == "EHLO" && line.size() > 4) ReadExtension(&progress, line);
  if (last) {
    pace.awaiting = false;
    if (progress.command == "STARTTLS" && line.compare(0, 3, "220") == 0) {
      pace.awaiting = true;
      pace.step = "TLS handshake";
      pace.since = Clock::now();
      session->tlsComing = false;
      session->tlsOn = true;
    }
    // The last EHLO before the login: curl would go on without one. Ended
    // here, before MAIL FROM.
    if (progress.command == "EHLO" && session->loginWanted && progress.mechanisms.empty() &&
        !session->tlsComing && ReplyCode(line) / 100 == 2) {
      session->stop = true;
      session->failure = NoLoginText(*session);
    }
  }
  if (progress.quitting) return;
  if (!line.empty()) {
    session->lastReply = line;
    session->lastReplyTo = progress.command;
  }
  if (session->bearer && line.size() > 4 && line.compare(0, 4, "334 ") == 0) {
    session->refusal = ChallengeText(line.substr(4));
  }
}

// What the server says arrives as header data; its last line before the
// session is closed is kept (curl closes a failed session before it returns,
// and the answer to QUIT would hide the refusal). Of what is sent only the
// verb is looked at, so a password never reaches the error text.
int Watch(CURL* /*curl*/, curl_infotype type, char* data, size_t size, void* arg) {
  auto* session = static_cast<Session*>(arg);
  // A proxy's CONNECT and its answer are no SMTP.
  if (type == CURLINFO_HEADER_OUT && session->tunnel.HeaderOut(data, size)) {
    CommandSent(session, data, size);
  }
  if (type != CURLINFO_HEADER_IN || !session->tunnel.HeaderIn(data, size)) return 0;
  std::string line(data, size);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  ReplyLine(session, line);
  return 0;
}

/// Ends the session when a step of connecting keeps it waiting longer than
/// TIMEOUT, or when it is to send no more; once QUIT is sent the session is
/// done within kQuitWait.
int KeepPace(void* arg, curl_off_t /*dltotal*/, curl_off_t /*dlnow*/, curl_off_t /*ultotal*/,
             curl_off_t /*ulnow*/) {
  auto* session = static_cast<Session*>(arg);
  if (session->stop) return 1;
  Pace& pace = session->pace;
  Progress& progress = session->progress;
  const Clock::time_point now = Clock::now();
  if (progress.quitting) return now - progress.quitAt > kQuitWait ? 1 : 0;
  if (pace.awaiting && now - pace.since > pace.timeout) {
    // "no greeting", "no reply to EHLO", "no TLS handshake"
    const long seconds =
        static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(pace.timeout).count());
    session->failure =
        "Timeout: no " + pace.step + " from the server in " + std::to_string(seconds) + " s";
    return 1;
  }
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

/// How one session goes about TLS and the login. TRY first asks for TLS
/// with the login, and only when the server offers no STARTTLS goes again
/// in plain text without it: curl's own TRY would send the password in
/// clear.
struct Attempt {
  long useTls;
  bool login;
};

bool ConfigureTimes(Session& session, long timeout) {
  CURL* curl = session.curl;
  session.pace.timeout = std::chrono::seconds(timeout);
  session.pace.since = Clock::now();
  // curl's bound is for the whole of connecting (greeting, EHLO, STARTTLS,
  // the handshake, EHLO again, the login and its challenge): each of them
  // has TIMEOUT here.
  return curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeout * 8) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                          timeout > kLastReplySeconds ? timeout : kLastReplySeconds) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, KeepPace) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &session) == CURLE_OK;
}

/// The bearer token's sign-in, by the one mechanism asked for: left to
/// itself curl picks CRAM-MD5, NTLM or DIGEST-MD5 first where a server
/// offers them.
bool ConfigureBearer(Session& session, const J6SmtpMail& mail) {
  CURL* curl = session.curl;
  session.bearer = true;
  const std::string options = std::string("AUTH=") + mail.mechanism;
  return mail.user != nullptr && mail.mechanism != nullptr &&
         curl_easy_setopt(curl, CURLOPT_USERNAME, mail.user) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_XOAUTH2_BEARER, mail.bearer) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, options.c_str()) == CURLE_OK;
}

bool ConfigureLogin(Session& session, const J6SmtpMail& mail) {
  if (mail.bearer != nullptr) return ConfigureBearer(session, mail);
  CURL* curl = session.curl;
  bool ok = true;
  if (mail.user != nullptr) ok = curl_easy_setopt(curl, CURLOPT_USERNAME, mail.user) == CURLE_OK;
  if (ok && mail.password != nullptr) {
    ok = curl_easy_setopt(curl, CURLOPT_PASSWORD, mail.password) == CURLE_OK;
  }
  return ok;
}

/// The session's connection: server, TLS, time limits, login.
bool ConfigureConnection(Session& session, const J6SmtpMail& mail, const Attempt& attempt) {
  CURL* curl = session.curl;
  session.url = mail.url;
  bool ok = curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, session.curlError) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_URL, session.url.c_str()) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps") == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_USE_SSL, attempt.useTls) == CURLE_OK &&
            j6::net::RequireVerifiedTls(curl, mail.caFile) &&
            ConfigureTimes(session, mail.timeoutSeconds) &&
            // curl's own upload buffer (64 KB) is kept: with 256 KB and more a
            // large mail to a server that reads slowly stalled for good under
            // 64-bit Wine partway through. The debug callback watches the
            // session's commands and replies.
            curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, Watch) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &session) == CURLE_OK;
  // Mail clients reach their server directly: curl would take all_proxy
  // from the environment. Only [SMTP] PROXY tunnels through a proxy.
  session.proxy = mail.proxy != nullptr ? mail.proxy : "";
  session.loginWanted = attempt.login && mail.user != nullptr;
  session.implicitTls = std::strncmp(mail.url, "smtps://", 8) == 0;
  session.tlsComing = attempt.useTls == CURLUSESSL_ALL && !session.implicitTls;
  return ok && j6::net::ConfigureProxy(curl, session.proxy, mail.caFile, true) &&
         (!attempt.login || ConfigureLogin(session, mail));
}

/// The mechanism not among those the server offers: what to write instead.
std::string MechanismNotOffered(const Session& session, const std::string& mechanism) {
  const std::string offered = " " + session.progress.mechanisms + " ";
  if (offered.find(" " + mechanism + " ") != std::string::npos) return std::string();
  std::string text =
      "the server offers no " + mechanism + " (it offers " +
      (session.progress.mechanisms.empty() ? std::string("no AUTH") : session.progress.mechanisms) +
      ")";
  for (const char* other : {"XOAUTH2", "OAUTHBEARER"}) {
    if (mechanism != other && offered.find(std::string(" ") + other + " ") != std::string::npos) {
      text += std::string(": set SASL=") + other;
    }
  }
  return text;
}

/// Whether a refusal names the sender, or says the sender is refused, as
/// Postfix does at RCPT ("553 5.7.1 <a@b>: Sender address rejected: not
/// owned by user"), its restrictions waiting for the recipient by default.
bool NamesSender(const std::string& reply, const char* sender) {
  const auto contains = [&reply](const std::string& text) {
    if (text.empty()) return false;
    for (std::size_t at = 0; at + text.size() <= reply.size(); ++at) {
      if (curl_strnequal(reply.c_str() + at, text.c_str(), text.size()) != 0) return true;
    }
    return false;
  };
  return contains("Sender address rejected") || (sender != nullptr && contains(sender));
}

std::string SenderRefused(const char* sender, const std::string& reply) {
  return std::string("the server refuses mail from ") + sender + ": " + reply +
         " (set FROM to an address the account owns)";
}

/// What a failed session's outcome is, and its text.
int Failed(const Session& session, const J6SmtpMail& mail, CURLcode result, std::string* text) {
  *text = !session.failure.empty()       ? session.failure
          : session.curlError[0] != '\0' ? session.curlError
                                         : curl_easy_strerror(result);
  if (session.stop) return J6SMTP_NO_LOGIN;
  if (!session.proxy.empty()) {
    long connectCode = 0;
    curl_easy_getinfo(session.curl, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    if (connectCode != 0 && connectCode / 100 != 2) {
      *text = session.tunnel.Refusal(session.proxy, connectCode,
                                     j6::platform::HostAndPort(session.url, "25"));
      return J6SMTP_FAILED;
    }
    if (result == CURLE_COULDNT_CONNECT || result == CURLE_COULDNT_RESOLVE_PROXY) {
      *text = "Proxy error: " + j6::platform::ShownProxy(session.proxy) + ": " + *text;
      return J6SMTP_FAILED;
    }
  }
  if (session.bearer && result == CURLE_LOGIN_DENIED) {
    const std::string missing = MechanismNotOffered(session, mail.mechanism);
    if (!missing.empty()) {
      *text = missing;
      return J6SMTP_FAILED;
    }
  }
  if (!session.refusal.empty()) *text += ": " + session.refusal;
  // The server's own words when it refused something.
  if (ReplyCode(session.lastReply) >= 400) *text += " (" + session.lastReply + ")";
  if (session.bearer && result == CURLE_LOGIN_DENIED && session.progress.authSent) {
    return J6SMTP_LOGIN_REFUSED;
  }
  return J6SMTP_FAILED;
}

/// Connects, secures and signs in; J6SMTP_DONE, or another J6SMTP_* with
/// what failed in `text`.
int Perform(Session& session, const J6SmtpMail& mail, CURLcode* result, std::string* text) {
  *result = curl_easy_perform(session.curl);
  if (*result == CURLE_OK) return J6SMTP_DONE;
  return Failed(session, mail, *result, text);
}

/// The mail's transaction on the signed-in session, and its outcome.
int Transmit(Session& session, const J6SmtpMail& mail, std::string* text) {
  const j6::net::SmtpTransaction sent =
      j6::net::SendTransaction(session.curl, mail, session.progress.offers, mail.timeoutSeconds);
  using End = j6::net::SmtpTransaction::End;
  switch (sent.end) {
    case End::kTaken:
      return J6SMTP_DONE;
    case End::kMaybeTaken:
      // The server may have taken it: a second one would be a duplicate.
      *text = "no reply to the end of the mail";
      return J6SMTP_MAYBE_SENT;
    case End::kRefused:
      if (sent.command == "RCPT" && NamesSender(sent.reply, mail.mailFrom)) {
        *text = SenderRefused(mail.mailFrom, sent.reply);
        return J6SMTP_REFUSED_SENDER;
      }
      *text = sent.command == "."
                  ? "the server refuses the mail (" + sent.reply + ")"
                  : sent.command + " failed: " + std::to_string(ReplyCode(sent.reply)) + " (" +
                        sent.reply + ")";
      return J6SMTP_FAILED;
    case End::kFailed:
      break;
  }
  *text = sent.failure;
  return J6SMTP_FAILED;
}

/// Sends one command on a probe's open session and reads its reply's last
/// line; false when the session fails or says nothing within TIMEOUT.
bool Exchange(Session& session, const std::string& command, long timeout, std::string* reply) {
  std::size_t sent = 0;
  const Clock::time_point until = Clock::now() + std::chrono::seconds(timeout);
  while (sent < command.size()) {
    std::size_t n = 0;
    const CURLcode result =
        curl_easy_send(session.curl, command.data() + sent, command.size() - sent, &n);
    if (result != CURLE_OK && result != CURLE_AGAIN) return false;
    sent += n;
    if (Clock::now() > until) return false;
  }
  std::string text;
  for (;;) {
    char buffer[512];
    std::size_t n = 0;
    const CURLcode result = curl_easy_recv(session.curl, buffer, sizeof buffer, &n);
    if (result == CURLE_AGAIN) {
      if (Clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (result != CURLE_OK || n == 0) return false;
    text.append(buffer, n);
    // A reply ends with a line "250 ..." (not "250-...").
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos;
         start = end + 2, end = text.find("\r\n", start)) {
      if (end - start >= 4 && text[start + 3] == ' ') {
        *reply = text.substr(start, end - start);
        return true;
      }
    }
  }
}

/// On a probe's session, whether the server takes mail from the sender:
/// MAIL FROM, then RCPT TO the postmaster of its domain, which every domain
/// has (RFC 5321 4.5.1), then RSET, so that nothing is sent. A server may
/// refuse a sender only once it has a recipient.
int AskSender(Session& session, const J6SmtpMail& mail, char* error, size_t errorSize) {
  std::string reply;
  const long timeout = mail.timeoutSeconds;
  if (!Exchange(session, std::string("MAIL FROM:<") + mail.mailFrom + ">\r\n", timeout, &reply)) {
    SetError(error, errorSize, "no reply to MAIL FROM");
    return J6SMTP_FAILED;
  }
  std::string recipient;
  std::string answer;
  const char* at = std::strrchr(mail.mailFrom, '@');
  const bool taken = ReplyCode(reply) / 100 == 2;
  if (taken && at != nullptr) {
    recipient = std::string("postmaster") + at;
    if (!Exchange(session, "RCPT TO:<" + recipient + ">\r\n", timeout, &answer)) {
      answer = "no reply";
    }
  }
  std::string reset;
  Exchange(session, "RSET\r\n", timeout, &reset);
  if (!taken) {
    SetError(error, errorSize, SenderRefused(mail.mailFrom, reply));
    return J6SMTP_REFUSED_SENDER;
  }
  if (recipient.empty() || ReplyCode(answer) / 100 == 2) return J6SMTP_DONE;
  if (NamesSender(answer, mail.mailFrom)) {
    SetError(error, errorSize, SenderRefused(mail.mailFrom, answer));
    return J6SMTP_REFUSED_SENDER;
  }
  SetError(error, errorSize,
           std::string("the server takes mail from ") + mail.mailFrom + " but refuses " +
               recipient + ": " + answer +
               " (whether it lets this login send as the sender shows at a real recipient: "
               "J6MailerCheck --test-mail)");
  return J6SMTP_UNSURE;
}

/// Whether the server at `url` greets (and answers EHLO) as `useTls` says,
/// within TIMEOUT or 10 s: a session that sends nothing and signs in to
/// nothing, to name the scheme a SERVER should have had.
bool Greets(const J6SmtpMail& mail, const std::string& url, long useTls) {
  J6SmtpMail asked = mail;
  asked.url = url.c_str();
  asked.user = nullptr;
  asked.timeoutSeconds = std::min(mail.timeoutSeconds, 10L);
  Session session;
  return session.curl != nullptr && ConfigureConnection(session, asked, Attempt{useTls, false}) &&
         curl_easy_setopt(session.curl, CURLOPT_CONNECT_ONLY, 1L) == CURLE_OK &&
         curl_easy_perform(session.curl) == CURLE_OK;
}

/// A failed first session's text, with the scheme SERVER should have, when
/// the server speaks the other: TLS from the first byte (port 465) or plain
/// text with STARTTLS (587).
std::string WithSchemeHint(const Session& session, const J6SmtpMail& mail, CURLcode result,
                           std::string text) {
  const std::string hostPort = j6::platform::HostAndPort(session.url, "25");
  // OpenSSL refuses the plain greeting at once; Schannel under Wine waits
  // for the rest of what it took for a TLS record.
  const bool noGreeting = session.failure.rfind("Timeout: no greeting", 0) == 0;
  if (session.implicitTls && session.lastReply.empty() &&
      (result == CURLE_SSL_CONNECT_ERROR || noGreeting) &&
      Greets(mail, "smtp://" + hostPort, CURLUSESSL_NONE)) {
    return text +
           ": the server greets in plain text, as a STARTTLS port does: write SERVER=smtp://" +
           hostPort;
  }
  if (!session.implicitTls && noGreeting && Greets(mail, "smtps://" + hostPort, CURLUSESSL_ALL)) {
    return text +
           ": the server waits for TLS from its first byte, as port 465 does: write "
           "SERVER=smtps://" +
           hostPort;
  }
  return text;
}

/// A session for the mail (or, for a probe, its connection alone), once
/// more in plain text without the login when TRY finds no STARTTLS offered.
/// Nothing of the message has been read when the first attempt ends so.
int Run(const J6SmtpMail& mail, bool probe, char* error, size_t errorSize) {
  if (mail.plainText != nullptr) *mail.plainText = 0;
  if (!j6::net::CurlReady(error, errorSize)) return J6SMTP_FAILED;
  const bool implicitTls = std::strncmp(mail.url, "smtps://", 8) == 0;
  const bool plain = mail.tls == J6SMTP_TLS_NONE && !implicitTls;
  const bool tryTls = mail.tls == J6SMTP_TLS_TRY && !implicitTls;
  const Attempt attempts[] = {{plain ? CURLUSESSL_NONE : CURLUSESSL_ALL, true},
                              {CURLUSESSL_NONE, false}};
  for (const Attempt& attempt : attempts) {
    Session session;
    // With CONNECT_ONLY curl stops after the greeting, EHLO, STARTTLS and
    // the login, and QUIT ends the session when it is cleaned up.
    if (session.curl == nullptr || !ConfigureConnection(session, mail, attempt) ||
        curl_easy_setopt(session.curl, CURLOPT_CONNECT_ONLY, 1L) != CURLE_OK ||
        // The transaction, or the probe's questions, on the open session.
        curl_easy_setopt(session.curl, CURLOPT_FORBID_REUSE, 0L) != CURLE_OK) {
      SetError(error, errorSize, "libcurl could not be set up for the session");
      return J6SMTP_FAILED;
    }
    CURLcode result = CURLE_OK;
    std::string text;
    int outcome = Perform(session, mail, &result, &text);
    if (outcome == J6SMTP_DONE && !attempt.login && mail.plainText != nullptr) {
      *mail.plainText = 1;
    }
    if (outcome == J6SMTP_DONE && probe && mail.mailFrom != nullptr) {
      return AskSender(session, mail, error, errorSize);
    }
    if (outcome == J6SMTP_DONE && !probe) {
      outcome = Transmit(session, mail, &text);
      if (outcome != J6SMTP_DONE) SetError(error, errorSize, text);
      return outcome;
    }
    if (outcome != J6SMTP_DONE && (result != CURLE_USE_SSL_FAILED || !tryTls)) {
      SetError(error, errorSize,
               session.proxy.empty() ? WithSchemeHint(session, mail, result, text) : text);
    }
    if (outcome == J6SMTP_DONE || result != CURLE_USE_SSL_FAILED || !tryTls) return outcome;
    if (session.progress.offersStartTls) {
      // Only a server that does not offer it gets the mail in plain text.
      SetError(error, errorSize, "STARTTLS offered, then refused: " + session.lastReply);
      return J6SMTP_FAILED;
    }
  }
  return J6SMTP_FAILED;
}

}  // namespace

extern "C" J6_NET_EXPORT int J6MailerNet_ProbeMailServer(const J6SmtpMail* mail, char* error,
                                                         size_t errorSize) {
  try {
    return Run(*mail, true, error, errorSize);
  } catch (...) {
    SetError(error, errorSize, "out of memory");
    return 0;
  }
}

extern "C" J6_NET_EXPORT int J6MailerNet_SendMail(const J6SmtpMail* mail, char* error,
                                                  size_t errorSize) {
  try {
    return Run(*mail, false, error, errorSize);
  } catch (...) {
    SetError(error, errorSize, "out of memory");
    return 0;
  }
}
