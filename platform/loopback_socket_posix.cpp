// POSIX half of platform/loopback_socket.h: BSD sockets and poll.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/loopback_socket.h"

namespace j6::platform::loopback {

bool Listen(Socket* listener, std::uint16_t* port, std::string* error) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 8) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    *error = "cannot listen on 127.0.0.1: " + LastError();
    if (fd >= 0) close(fd);
    return false;
  }
  *listener = fd;
  *port = ntohs(address.sin_port);
  return true;
}

int WaitReadable(Socket socket, std::uint32_t milliseconds) {
  pollfd watched{static_cast<int>(socket), POLLIN, 0};
  for (;;) {
    const int ready = poll(&watched, 1, static_cast<int>(milliseconds));
    if (ready < 0 && errno == EINTR) continue;
    return ready < 0 ? -1 : ready;
  }
}

Socket Accept(Socket listener) {
  const int fd = accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
  return fd < 0 ? kNoSocket : fd;
}

long Receive(Socket socket, char* buffer, std::size_t size) {
  return static_cast<long>(recv(static_cast<int>(socket), buffer, size, 0));
}

bool SendAll(Socket socket, std::string_view bytes) {
  while (!bytes.empty()) {
    // MSG_NOSIGNAL: a browser that closed its end is no reason to die.
    const ssize_t sent = send(static_cast<int>(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void Close(Socket socket) { close(static_cast<int>(socket)); }

std::string LastError() { return std::strerror(errno); }

}  // namespace j6::platform::loopback
