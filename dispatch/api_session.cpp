#include "dispatch/api_session.h"

#include <chrono>
#include <thread>

#include "oauth/access_token.h"
#include "platform/url.h"
#include "platform/wipe.h"
#include "run/https_proxy.h"
#include "run/run_log.h"

namespace j6 {

namespace {

// Three waits at most for one request; without a wait named, 1, 2 and 4 s.
constexpr int kTries = 4;
// The answers a request may bring besides what it sent back: error objects,
// ids, upload sessions.
constexpr std::size_t kAnswerRoom = std::size_t{64} * 1024;

}  // namespace

ApiSession::~ApiSession() { platform::Wipe(&token_); }

bool ApiSession::Open(const oauth::OAuthClient& client, const ApiPolicy& policy,
                      std::string* error) {
  client_ = client;
  policy_ = &policy;
  host_ = platform::ReadUrl(client_.server).host;
  return net::FindTransport(&library_, &transport_, error);
}

bool ApiSession::SignIn(std::string* error) {
  oauth::TokenReport report;
  if (!oauth::ObtainAccessToken(client_, &token_, &report, error)) return false;
  renewable_ = report.reused;
  return true;
}

bool ApiSession::Wait(long seconds, std::string* error) {
  if (seconds > waitLeft_) {
    *error = std::string(policy_->name) + " asks to wait " + std::to_string(seconds) +
             " s: the mail was not sent";
    return false;
  }
  waitLeft_ -= seconds;
  LogLine("%s: busy, trying again in %ld s", policy_->name, seconds);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  return true;
}

HandOver ApiSession::Call(const ApiRequest& request, ApiBody& body, ApiAnswer* answer,
                          std::string* error) {
  bool renewed = false;
  for (int tries = 1;; ++tries) {
    long retryAfter = 0;
    answer->lost = false;
    const HandOver sent = Send(request, body, answer, &retryAfter, error);
    const long status = answer->status;
    const bool answered = sent == HandOver::kHandedOver;
    if (answered) {
      for (const long done : request.done) {
        if (status == done) return sent;
      }
    }
    if (sent == HandOver::kMaybeSent || (!answered && !answer->lost)) return sent;
    if (status == 401 && request.authorized && renewable_ && !renewed) {
      // A reused token revoked before it expired: a new one, once.
      renewable_ = false;
      renewed = true;
      std::string refused = token_;
      const bool replaced = oauth::ReplaceRefusedToken(client_, refused, &token_, nullptr, error);
      platform::Wipe(&refused);
      if (!replaced || !body.rewind()) {
        if (replaced) *error = "cannot read the mail again to send it again";
        return HandOver::kFailed;
      }
      --tries;
      continue;
    }
    const long asked = answered ? policy_->waitOf(status, retryAfter, answer->body) : -1;
    // Lost, or a server error: the service may have done it.
    const bool uncertain = answer->lost || (asked < 0 && status >= 500);
    if (uncertain && request.sends) {
      *error = policy_->refusal(status, answer->body) + ": " + kMayHaveBeenSent + "; " +
               policy_->lookFirst;
      return HandOver::kMaybeSent;
    }
    if (uncertain && !request.repeatable) {
      if (answered) *error = policy_->refusal(status, answer->body);
      answer->lost = true;
      return HandOver::kFailed;
    }
    if ((asked >= 0 || uncertain) && tries < kTries) {
      const long seconds = asked > 0 ? asked : 1L << (tries - 1);
      if (!Wait(seconds, error)) return HandOver::kFailed;
      if (!body.rewind()) {
        *error = "cannot read the mail again to send it again";
        return HandOver::kFailed;
      }
      continue;
    }
    if (answered) *error = policy_->refusal(status, answer->body);
    answer->lost = false;
    return HandOver::kFailed;
  }
}

HandOver ApiSession::Send(const ApiRequest& request, const ApiBody& body, ApiAnswer* answer,
                          long* retryAfter, std::string* error) {
  std::vector<std::string> lines = request.headers;
  if (request.authorized) lines.push_back("Authorization: Bearer " + token_);
  if (request.type != nullptr) lines.push_back(std::string("Content-Type: ") + request.type);
  std::vector<const char*> headers;
  headers.reserve(lines.size());
  for (const std::string& line : lines) headers.push_back(line.c_str());
  const std::string& caFile = client_.caFile;
  const HttpsRoute route = HttpsRouteFor(client_.proxy, request.url);
  const J6HttpsRequest sent{request.method,
                            request.url.c_str(),
                            caFile.empty() ? nullptr : caFile.c_str(),
                            client_.timeoutSeconds,
                            headers.data(),
                            headers.size(),
                            body.data.data(),
                            body.data.size(),
                            body.read,
                            body.source,
                            body.size,
                            route.proxies.c_str(),
                            request.sends || request.fresh ? 1 : 0};
  // Sized to the request: an answer may repeat what it was sent (Graph's
  // attachment with its contentBytes).
  std::string received(kAnswerRoom + body.data.size(), '\0');
  J6HttpsAnswer got{0, received.data(), received.size(), 0, 0, 0, 0, 0, {}, {}};
  char text[512] = {};
  const int answered = transport_.request(&sent, &got, text, sizeof text);
  for (std::string& line : lines) platform::Wipe(&line);
  received.resize(got.bodySize);
  answer->body = received;
  answer->status = got.status;
  answer->location = got.location;
  answer->range = got.range;
  platform::WipeBytes(got.location, sizeof got.location);
  *retryAfter = got.retryAfter;
  if (answered != 0 && got.encoded != 0) {
    *error =
        host_ + ": the answer came compressed (Content-Encoding), which J6Mailer did not ask for";
    return HandOver::kFailed;
  }
  if (answered != 0) return HandOver::kHandedOver;
  const std::string why = text;
  if (why.rfind("Proxy error: ", 0) == 0) {
    // The proxy's refusal: nothing reached the service.
    *error = why;
    return HandOver::kFailed;
  }
  // The upload URL's host is not named: the URL is a credential.
  *error = (request.authorized ? host_ : std::string("the upload")) + ": " + why;
  if (got.requestSent == 0) return HandOver::kFailed;
  if (request.sends) {
    *error = "no answer from " + host_ + ": " + kMayHaveBeenSent + "; " + policy_->lookFirst;
    return HandOver::kMaybeSent;
  }
  answer->lost = true;
  return HandOver::kFailed;
}

}  // namespace j6
