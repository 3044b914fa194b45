// Sockets as the station's programs use them, the same on every system:
// a TCP connection to rotctld, and the UDP port digital-mode programs send
// their decodes to, alone or shared through a multicast group. No system
// header here, so Windows' macros stay out of the rest of the code.
// net_posix.cpp and net_windows.cpp are the two halves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::platform {

using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

void CloseSocket(Socket s);

// The first of host's addresses that takes a connection to port within
// timeoutMs. On failure kNoSocket, and either resolverError (no such host)
// or error (the last address's refusal: "Connection refused").
Socket ConnectTcp(const std::string& host, int port, int timeoutMs, std::string& resolverError, std::string& error);
// 1 readable, 0 not within timeoutMs, -1 interrupted or failed.
int WaitReadable(Socket s, int timeoutMs);
// Bytes read; 0 when the other end closed; -1 when nothing is there yet
// (retry) and -2 on an error.
long long ReceiveSome(Socket s, char* buffer, std::size_t n);
// The whole text sent, or false with error set; never a signal that kills.
bool SendAll(Socket s, std::string_view bytes, std::string& error);

struct UdpPort {
  Socket socket = kNoSocket;
  bool inUse = false;  // another program has the port
  std::string error;   // why it could not be opened
};
// The port on every address: alone (no other program may bind it, and we
// may not take another's), or shared with the group's other listeners.
// receiveBuffer: bytes asked of the system.
UdpPort OpenUdp(int port, bool shared, int receiveBuffer);

struct Interface {
  std::string name;
  std::uint32_t address = 0;  // IPv4, host order
  unsigned index = 0;
  bool up = false;
  bool multicast = false;
  bool loopback = false;
};
// The interfaces with an IPv4 address; false with error set.
bool Interfaces(std::vector<Interface>& all, std::string& error);
bool JoinGroup(Socket s, std::uint32_t group, const Interface& on);

struct Received {
  long long size = -1;      // -1: nothing (time-out, signal, error)
  std::uint32_t from = 0;   // IPv4, host order
  std::uint16_t port = 0;
  bool dropCounted = false; // dropped holds the system's count of datagrams dropped so far
  std::uint32_t dropped = 0;
};
Received ReceiveDatagram(Socket s, char* buffer, std::size_t n, int timeoutMs);
bool SendDatagram(Socket s, std::uint32_t to, std::uint16_t port, std::string_view bytes);

}  // namespace morvane::platform
