// A listener on the loopback for the one HTTP request a browser makes when a
// sign-in's provider sends it back to this program (RFC 8252's loopback
// redirect).
#pragma once

#include <cstdint>
#include <string>

namespace j6::platform {

/// Listens on 127.0.0.1, on a port the system chooses, for plain HTTP GET
/// requests, one at a time. Closed when destroyed.
class LoopbackListener {
 public:
  enum Outcome { kRequest, kTimedOut, kFailed };

  LoopbackListener() = default;
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  /// Starts listening; false, with the reason in `*error`, when it cannot.
  bool Open(std::string* error);
  /// The port it listens on, once open.
  std::uint16_t port() const { return port_; }

  /// Waits up to `milliseconds` for the next GET request and gives its
  /// target (path and query, as sent). A connection that sends no whole
  /// request head within a few seconds, or anything but a GET, is closed
  /// unanswered and the wait goes on: a browser may open a connection it
  /// never uses.
  Outcome Next(std::uint32_t milliseconds, std::string* target, std::string* error);

  /// Answers the request Next gave with `status` and an HTML page, and
  /// closes its connection.
  void Answer(int status, const std::string& html);

 private:
  bool ReadRequest(std::uint32_t milliseconds, std::string* target);
  void CloseConnection();

  std::intptr_t listener_ = -1;
  std::intptr_t connection_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace j6::platform
