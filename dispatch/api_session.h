// One run's requests to a mail service's HTTPS API (Graph): the transport,
// the bearer token and its renewal, the waits the service asks for within
// the run's one bound, the outcome of a request that may have handed the mail
// over, and the refusal as the service words it. A route gives its policy and
// keeps only its own requests.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "dispatch/hand_over.h"
#include "net/net_transport.h"
#include "net/transport.h"
#include "oauth/client.h"

namespace j6 {

/// What a request sends: a text, or a stream that can begin again.
struct ApiBody {
  std::string data;
  J6Read read = nullptr;
  void* source = nullptr;
  unsigned long long size = 0;
  std::function<bool()> rewind = [] { return true; };
};

struct ApiRequest {
  ApiRequest(const char* method_, std::string url_, const char* type_, std::vector<long> done_)
      : method(method_), url(std::move(url_)), type(type_), done(std::move(done_)) {}

  const char* method;
  std::string url;
  const char* type;                  // Content-Type; null: none
  std::vector<long> done;            // the statuses of success
  std::vector<std::string> headers;  // further "Name: value" lines
  bool authorized = true;            // false for an upload URL, which is its own credential
  // What a 5xx or a lost answer means once the request went out:
  bool sends = false;      // it hands the mail over: it may have been sent, never repeated
  bool repeatable = true;  // nothing is made twice by it: tried again after a wait
  // It makes something (a draft): on a connection of its own, as a request
  // that `sends` is, never on a kept one, which curl would send it again on.
  bool fresh = false;
};

struct ApiAnswer {
  long status = 0;  // 0: none came
  std::string body;
  std::string location;  // its Location header (an upload session: a credential)
  std::string range;     // its Range header
  // A request that is not `repeatable` went and no answer came (or a 5xx):
  // it failed, and whether the service did it is not known.
  bool lost = false;
};

/// How a service asks for waits and says why it refuses.
struct ApiPolicy {
  const char* name;  // "Graph": its busy line and its waits' failure name it
  /// The seconds the answer asks to wait before the request goes again: 0
  /// for a wait of the session's choosing, -1 when it asks for none
  /// (throttling is this; another 5xx waits on repeatable requests only).
  long (*waitOf)(long status, long retryAfter, const std::string& body);
  /// The refusal as the log shows it: "<status> <code>: <message>".
  std::string (*refusal)(long status, const std::string& body);
  const char* lookFirst;  // after kMayHaveBeenSent: "look in Sent Items before sending it again"
};

/// The most a run waits for a service in all: a run never outlasts what
/// another run of its area waits for its lock (10 minutes).
constexpr long kMostWaitSeconds = 5L * 60;

class ApiSession {
 public:
  ApiSession() = default;
  ~ApiSession();
  ApiSession(const ApiSession&) = delete;
  ApiSession& operator=(const ApiSession&) = delete;

  /// The transport and the client; nothing is asked yet.
  bool Open(const oauth::OAuthClient& client, const ApiPolicy& policy, std::string* error);
  /// The access token, stored or new.
  bool SignIn(std::string* error);
  /// A token the caller has (the check's).
  void UseToken(const std::string& token) { token_ = token; }

  /// Sends the request, again as the service asks (waits, a renewed token,
  /// a 5xx on a repeatable request), each body rewound: kHandedOver when it
  /// was answered with a status of success, kMaybeSent for a request that
  /// `sends` and got no answer (or a 5xx), else kFailed with the reason;
  /// `answer` holds the last answer, whatever the outcome.
  HandOver Call(const ApiRequest& request, ApiBody& body, ApiAnswer* answer, std::string* error);

  const oauth::OAuthClient& client() const { return client_; }
  /// The service's host, as errors name it.
  const std::string& host() const { return host_; }

 private:
  HandOver Send(const ApiRequest& request, const ApiBody& body, ApiAnswer* answer, long* retryAfter,
                std::string* error);
  bool Wait(long seconds, std::string* error);

  oauth::OAuthClient client_;
  const ApiPolicy* policy_ = nullptr;
  std::string host_;
  std::string token_;
  bool renewable_ = false;  // the token was reused: it may be renewed once
  long waitLeft_ = kMostWaitSeconds;
  platform::DynamicLibrary library_;
  net::Transport transport_;
};

}  // namespace j6
