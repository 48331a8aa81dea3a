// The HTTP side of platform/loopback_listener.h, written once over the
// sockets of loopback_socket.h.
#include "platform/loopback_listener.h"

#include <algorithm>
#include <chrono>

#include "platform/loopback_socket.h"

namespace j6::platform {

namespace {

using Clock = std::chrono::steady_clock;

// A browser sends its request head at once; one that holds a connection
// silent is not the redirect.
constexpr std::uint32_t kQuietMilliseconds = 5000;
constexpr std::size_t kMaxHead = std::size_t{16} * 1024;

std::uint32_t MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<std::uint32_t>(left.count()) : 0;
}

/// The target of a GET request line ("GET /?a=b HTTP/1.1"); false for any
/// other line.
bool GetTarget(const std::string& head, std::string* target) {
  const std::string line = head.substr(0, head.find("\r\n"));
  const std::size_t space = line.find(' ', 4);
  if (line.compare(0, 4, "GET ") != 0 || space == std::string::npos ||
      line.compare(space, 6, " HTTP/") != 0) {
    return false;
  }
  *target = line.substr(4, space - 4);
  return true;
}

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    default:
      return "Not Found";
  }
}

}  // namespace

LoopbackListener::~LoopbackListener() {
  CloseConnection();
  if (listener_ != loopback::kNoSocket) loopback::Close(listener_);
}

bool LoopbackListener::Open(std::string* error) {
  return loopback::Listen(&listener_, &port_, error);
}

LoopbackListener::Outcome LoopbackListener::Next(std::uint32_t milliseconds, std::string* target,
                                                 std::string* error) {
  CloseConnection();
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    const int ready = loopback::WaitReadable(listener_, MillisecondsUntil(deadline));
    if (ready < 0) {
      *error = "cannot wait for the browser: " + loopback::LastError();
      return kFailed;
    }
    if (ready == 0) return kTimedOut;
    connection_ = loopback::Accept(listener_);
    if (connection_ == loopback::kNoSocket) continue;
    const std::uint32_t quiet = std::min(kQuietMilliseconds, MillisecondsUntil(deadline));
    if (ReadRequest(quiet, target)) return kRequest;
    CloseConnection();
  }
}

bool LoopbackListener::ReadRequest(std::uint32_t milliseconds, std::string* target) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  std::string head;
  char buffer[2048];
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (head.size() > kMaxHead ||
        loopback::WaitReadable(connection_, MillisecondsUntil(deadline)) != 1) {
      return false;
    }
    const long got = loopback::Receive(connection_, buffer, sizeof buffer);
    if (got <= 0) return false;
    head.append(buffer, static_cast<std::size_t>(got));
  }
  return GetTarget(head, target);
}

void LoopbackListener::Answer(int status, const std::string& html) {
  if (connection_ == loopback::kNoSocket) return;
  loopback::SendAll(connection_, "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) +
                                     "\r\nContent-Type: text/html; charset=utf-8\r\n"
                                     "Content-Length: " +
                                     std::to_string(html.size()) +
                                     "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" +
                                     html);
  CloseConnection();
}

void LoopbackListener::CloseConnection() {
  if (connection_ != loopback::kNoSocket) loopback::Close(connection_);
  connection_ = loopback::kNoSocket;
}

}  // namespace j6::platform
