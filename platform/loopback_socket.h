// Inside platform/ only: the sockets under loopback_listener.h, each call as
// thin as the system's. A socket is the system's handle; kNoSocket is none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace j6::platform::loopback {

using Socket = std::intptr_t;
constexpr Socket kNoSocket = -1;

/// A socket listening on 127.0.0.1 at a port the system picks, and the port.
bool Listen(Socket* listener, std::uint16_t* port, std::string* error);
/// 1 when the socket can be read (or accepted on) within `milliseconds`, 0
/// when it cannot by then, -1 on failure.
int WaitReadable(Socket socket, std::uint32_t milliseconds);
/// The next connection, or kNoSocket.
Socket Accept(Socket listener);
/// Bytes received, 0 at the end of the stream, below 0 on failure.
long Receive(Socket socket, char* buffer, std::size_t size);
/// Sends every byte; false when the peer is gone.
bool SendAll(Socket socket, std::string_view bytes);
void Close(Socket socket);
/// The system's words for the last failure.
std::string LastError();

}  // namespace j6::platform::loopback
