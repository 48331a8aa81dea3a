// Windows half of platform/loopback_socket.h: Winsock (WS2_32, a system
// DLL). The port is held exclusively, so that no other program can bind it
// too and take the browser's request.
#include <winsock2.h>
// <ws2tcpip.h> needs <winsock2.h> first.
#include <ws2tcpip.h>

#include "platform/loopback_socket.h"
#include "platform/system_message_win32.h"

namespace j6::platform::loopback {

namespace {

bool Started() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

}  // namespace

bool Listen(Socket* listener, std::uint16_t* port, std::string* error) {
  const SOCKET socket = Started() ? ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
  const BOOL exclusive = TRUE;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  if (socket == INVALID_SOCKET ||
      setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                 sizeof exclusive) != 0 ||
      bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(socket, 8) != 0 ||
      getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    *error = "cannot listen on 127.0.0.1: " + LastError();
    if (socket != INVALID_SOCKET) closesocket(socket);
    return false;
  }
  *listener = static_cast<Socket>(socket);
  *port = ntohs(address.sin_port);
  return true;
}

int WaitReadable(Socket socket, std::uint32_t milliseconds) {
  WSAPOLLFD watched{static_cast<SOCKET>(socket), POLLRDNORM, 0};
  const int ready = WSAPoll(&watched, 1, static_cast<INT>(milliseconds));
  return ready == SOCKET_ERROR ? -1 : ready;
}

Socket Accept(Socket listener) {
  const SOCKET socket = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
  return socket == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(socket);
}

long Receive(Socket socket, char* buffer, std::size_t size) {
  return recv(static_cast<SOCKET>(socket), buffer, static_cast<int>(size), 0);
}

bool SendAll(Socket socket, std::string_view bytes) {
  while (!bytes.empty()) {
    const int sent =
        send(static_cast<SOCKET>(socket), bytes.data(), static_cast<int>(bytes.size()), 0);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void Close(Socket socket) { closesocket(static_cast<SOCKET>(socket)); }

std::string LastError() { return SystemMessage(static_cast<DWORD>(WSAGetLastError())); }

}  // namespace j6::platform::loopback
