#include "platform/net.h"

#include "platform/windows_api.h"
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <cstring>
#include <memory>

namespace morvane::platform {
namespace {

// Winsock is started once, on first use, and left to the end of the process.
void Start() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

SOCKET Raw(Socket s) { return static_cast<SOCKET>(s); }

// The words POSIX systems use for the errors a station meets, so that
// messages read the same everywhere; the system's own for the rest.
std::string Words(int code) {
  switch (code) {
    case WSAECONNREFUSED: return "Connection refused";
    case WSAETIMEDOUT: return "Connection timed out";
    case WSAEHOSTUNREACH: return "No route to host";
    case WSAENETUNREACH: return "Network is unreachable";
    case WSAEADDRINUSE: return "Address already in use";
    case WSAECONNRESET: return "Connection reset by peer";
    case WSAECONNABORTED: return "Software caused connection abort";
    case WSAEACCES: return "Permission denied";
    case WSAEADDRNOTAVAIL: return "Cannot assign requested address";
    default: return SystemMessage(static_cast<unsigned long>(code));
  }
}

// select, not WSAPoll: WSAPoll never reports a connection refused.
int Wait(SOCKET s, bool write, int timeoutMs) {
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(s, &ready);
  FD_SET(s, &failed);
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int rc = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, timeoutMs < 0 ? nullptr : &limit);
  return rc == SOCKET_ERROR ? -1 : rc;
}

}  // namespace

void CloseSocket(Socket s) {
  if (s != kNoSocket) closesocket(Raw(s));
}

Socket ConnectTcp(const std::string& host, int port, int timeoutMs, std::string& resolverError, std::string& error) {
  Start();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); rc != 0) {
    resolverError = Words(rc);
    return kNoSocket;
  }
  Socket connected = kNoSocket;
  int last = WSAECONNREFUSED;
  for (addrinfo* a = found; a && connected == kNoSocket; a = a->ai_next) {
    const SOCKET s = WSASocketW(a->ai_family, a->ai_socktype, a->ai_protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) continue;
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    int rc = connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen));
    int e = rc == 0 ? 0 : WSAGetLastError();
    if (rc != 0 && e == WSAEWOULDBLOCK) {
      rc = Wait(s, true, timeoutMs);
      int soError = rc == 0 ? WSAETIMEDOUT : 0;
      int len = sizeof soError;
      if (rc != 0) getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len);
      e = soError;
    }
    if (e == 0) {
      connected = static_cast<Socket>(s);
    } else {
      last = e;
      closesocket(s);
    }
  }
  freeaddrinfo(found);
  if (connected == kNoSocket) error = Words(last);
  return connected;
}

int WaitReadable(Socket s, int timeoutMs) { return Wait(Raw(s), false, timeoutMs); }

long long ReceiveSome(Socket s, char* buffer, std::size_t n) {
  const int got = recv(Raw(s), buffer, static_cast<int>(n > 0x40000000 ? 0x40000000 : n), 0);
  if (got == SOCKET_ERROR) return WSAGetLastError() == WSAEWOULDBLOCK ? -1 : -2;
  return got;
}

bool SendAll(Socket s, std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const int n = send(Raw(s), bytes.data(), static_cast<int>(bytes.size()), 0);
    if (n == SOCKET_ERROR) {
      if (WSAGetLastError() == WSAEWOULDBLOCK && Wait(Raw(s), true, 5000) > 0) continue;
      error = Words(WSAGetLastError());
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

UdpPort OpenUdp(int port, bool shared, int receiveBuffer) {
  Start();
  UdpPort u;
  const SOCKET s = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) {
    u.error = "cannot open a UDP socket: " + Words(WSAGetLastError());
    return u;
  }
  const BOOL one = TRUE;
  // Alone means alone: without SO_EXCLUSIVEADDRUSE another program could
  // still bind the port over ours and take our datagrams.
  setsockopt(s, SOL_SOCKET, shared ? SO_REUSEADDR : SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
  setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
  // A reply to a program that has gone would otherwise make the next
  // receive fail with "connection reset".
  DWORD noReset = FALSE, returned = 0;
  WSAIoctl(s, _WSAIOW(IOC_VENDOR, 12) /* SIO_UDP_CONNRESET */, &noReset, sizeof noReset, nullptr, 0, &returned, nullptr, nullptr);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<u_short>(port));
  at.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
    const int e = WSAGetLastError();
    u.inUse = e == WSAEADDRINUSE || e == WSAEACCES;  // EACCES: bound exclusively by another
    u.error = Words(e);
    closesocket(s);
    return u;
  }
  u.socket = static_cast<Socket>(s);
  return u;
}

bool Interfaces(std::vector<Interface>& all, std::string& error) {
  ULONG size = 16 * 1024;
  std::unique_ptr<char[]> buffer;
  ULONG rc = ERROR_BUFFER_OVERFLOW;
  for (int tries = 0; tries < 3 && rc == ERROR_BUFFER_OVERFLOW; ++tries) {
    buffer.reset(new char[size]);
    rc = GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_DNS_SERVER, nullptr,
                              reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()), &size);
  }
  if (rc != NO_ERROR) {
    error = SystemMessage(rc);
    return false;
  }
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()); a; a = a->Next)
    for (auto* u = a->FirstUnicastAddress; u; u = u->Next) {
      if (u->Address.lpSockaddr->sa_family != AF_INET) continue;
      Interface f;
      f.name = Utf8(a->FriendlyName);
      f.address = ntohl(reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr)->sin_addr.s_addr);
      f.index = a->IfIndex;
      f.up = a->OperStatus == IfOperStatusUp;
      f.loopback = a->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
      f.multicast = !(a->Flags & IP_ADAPTER_NO_MULTICAST);
      all.push_back(f);
    }
  return true;
}

bool JoinGroup(Socket s, std::uint32_t group, const Interface& on) {
  ip_mreq join{};
  join.imr_multiaddr.s_addr = htonl(group);
  join.imr_interface.s_addr = htonl(on.address);
  return setsockopt(Raw(s), IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&join), sizeof join) == 0;
}

// Windows keeps no count of the datagrams it dropped: dropCounted stays false.
Received ReceiveDatagram(Socket s, char* buffer, std::size_t n, int timeoutMs) {
  Received r;
  if (Wait(Raw(s), false, timeoutMs) <= 0) return r;
  sockaddr_in sender{};
  int length = sizeof sender;
  const int got = recvfrom(Raw(s), buffer, static_cast<int>(n), 0, reinterpret_cast<sockaddr*>(&sender), &length);
  // A datagram longer than the buffer still comes, cut to its size.
  if (got == SOCKET_ERROR && WSAGetLastError() != WSAEMSGSIZE) return r;
  r.size = got == SOCKET_ERROR ? static_cast<long long>(n) : got;
  r.from = ntohl(sender.sin_addr.s_addr);
  r.port = ntohs(sender.sin_port);
  return r;
}

bool SendDatagram(Socket s, std::uint32_t to, std::uint16_t port, std::string_view bytes) {
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(port);
  at.sin_addr.s_addr = htonl(to);
  return sendto(Raw(s), bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<sockaddr*>(&at), sizeof at) ==
         static_cast<int>(bytes.size());
}

}  // namespace morvane::platform
