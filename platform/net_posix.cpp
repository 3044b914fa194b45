#include "platform/net.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace morvane::platform {

void CloseSocket(Socket s) {
  if (s >= 0) close(static_cast<int>(s));
}

Socket ConnectTcp(const std::string& host, int port, int timeoutMs, std::string& resolverError, std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); rc != 0) {
    resolverError = gai_strerror(rc);
    return kNoSocket;
  }
  int connected = -1;
  int lastErrno = ECONNREFUSED;
  for (addrinfo* a = found; a && connected < 0; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) continue;
    int rc = connect(fd, a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      rc = poll(&p, 1, timeoutMs);
      int soError = rc == 0 ? ETIMEDOUT : 0;
      socklen_t len = sizeof soError;
      if (rc > 0) getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
      rc = soError == 0 ? 0 : -1;
      errno = soError;
    }
    if (rc == 0) {
      connected = fd;
    } else {
      lastErrno = errno;
      close(fd);
    }
  }
  freeaddrinfo(found);
  if (connected < 0) error = std::strerror(lastErrno);
  return connected;
}

int WaitReadable(Socket s, int timeoutMs) {
  pollfd p{static_cast<int>(s), POLLIN, 0};
  const int rc = poll(&p, 1, timeoutMs);
  return rc < 0 ? -1 : rc;
}

long long ReceiveSome(Socket s, char* buffer, std::size_t n) {
  const ssize_t got = read(static_cast<int>(s), buffer, n);
  if (got < 0) return errno == EINTR || errno == EAGAIN ? -1 : -2;
  return got;
}

bool SendAll(Socket s, std::string_view bytes, std::string& error) {
  if (send(static_cast<int>(s), bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size())) return true;
  error = std::strerror(errno);
  return false;
}

UdpPort OpenUdp(int port, bool shared, int receiveBuffer) {
  UdpPort u;
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    u.error = std::string("cannot open a UDP socket: ") + std::strerror(errno);
    return u;
  }
  const int one = 1;
  if (shared) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  setsockopt(fd, SOL_SOCKET, SO_RXQ_OVFL, &one, sizeof one);  // the count of drops with each datagram
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<std::uint16_t>(port));
  at.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
    u.inUse = errno == EADDRINUSE;
    u.error = std::strerror(errno);
    close(fd);
    return u;
  }
  u.socket = fd;
  return u;
}

bool Interfaces(std::vector<Interface>& all, std::string& error) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) {
    error = std::strerror(errno);
    return false;
  }
  for (const ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    Interface f;
    f.name = i->ifa_name;
    f.address = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    f.index = if_nametoindex(i->ifa_name);
    f.up = i->ifa_flags & IFF_UP;
    f.multicast = i->ifa_flags & IFF_MULTICAST;
    f.loopback = i->ifa_flags & IFF_LOOPBACK;
    all.push_back(f);
  }
  freeifaddrs(list);
  return true;
}

bool JoinGroup(Socket s, std::uint32_t group, const Interface& on) {
  ip_mreqn join{};
  join.imr_multiaddr.s_addr = htonl(group);
  join.imr_address.s_addr = htonl(on.address);
  join.imr_ifindex = static_cast<int>(on.index);
  return setsockopt(static_cast<int>(s), IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) == 0;
}

Received ReceiveDatagram(Socket s, char* buffer, std::size_t n, int timeoutMs) {
  Received r;
  pollfd p{static_cast<int>(s), POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return r;
  sockaddr_in sender{};
  iovec data{buffer, n};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint32_t))];
  msghdr m{};
  m.msg_name = &sender;
  m.msg_namelen = sizeof sender;
  m.msg_iov = &data;
  m.msg_iovlen = 1;
  m.msg_control = control;
  m.msg_controllen = sizeof control;
  const ssize_t got = recvmsg(static_cast<int>(s), &m, MSG_DONTWAIT);
  if (got < 0) return r;
  for (cmsghdr* c = CMSG_FIRSTHDR(&m); c; c = CMSG_NXTHDR(&m, c))
    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
      std::memcpy(&r.dropped, CMSG_DATA(c), sizeof r.dropped);
      r.dropCounted = true;
    }
  r.size = got;
  r.from = ntohl(sender.sin_addr.s_addr);
  r.port = ntohs(sender.sin_port);
  return r;
}

bool SendDatagram(Socket s, std::uint32_t to, std::uint16_t port, std::string_view bytes) {
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(port);
  at.sin_addr.s_addr = htonl(to);
  return sendto(static_cast<int>(s), bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                reinterpret_cast<sockaddr*>(&at), sizeof at) == static_cast<ssize_t>(bytes.size());
}

}  // namespace morvane::platform
