#include "station/listener.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace morvane::station {
namespace {

constexpr std::uint32_t kLoopbackNetwork = 0x7f000000;  // 127.0.0.0/8

}  // namespace

std::optional<Network> ParseNetwork(std::string_view text) {
  Network n;
  const std::size_t slash = text.find('/');
  const std::string address(text.substr(0, slash));
  in_addr a{};
  if (inet_pton(AF_INET, address.c_str(), &a) != 1) return std::nullopt;
  n.address = ntohl(a.s_addr);
  if (slash != std::string_view::npos) {
    const std::string_view p = text.substr(slash + 1);
    const auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), n.prefix);
    if (p.empty() || ec != std::errc() || end != p.data() + p.size() || n.prefix < 0 || n.prefix > 32)
      return std::nullopt;
  }
  return n;
}

Listener::~Listener() {
  if (fd_ >= 0) close(fd_);
}

bool Listener::Open(const ListenerOptions& o) {
  in_addr group{};
  if (!o.group.empty() && (inet_pton(AF_INET, o.group.c_str(), &group) != 1 || !IN_MULTICAST(ntohl(group.s_addr)))) {
    error_ = "--group " + o.group + ": not an IPv4 multicast group (224.0.0.0 to 239.255.255.255)";
    return false;
  }
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    error_ = std::string("cannot open a UDP socket: ") + std::strerror(errno);
    return false;
  }
  const int one = 1;
  // Sharing the port is for a group's listeners only; a unicast port is
  // ours alone, or another program's.
  if (!o.group.empty()) setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
  setsockopt(fd_, SOL_SOCKET, SO_RXQ_OVFL, &one, sizeof one);  // the count of drops with each datagram
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<std::uint16_t>(o.port));
  at.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
    const int e = errno;
    error_ = e == EADDRINUSE && o.group.empty()
                 ? "UDP port " + std::to_string(o.port) + " is in use by another program: use --group with multicast"
                 : "cannot listen on UDP port " + std::to_string(o.port) + ": " + std::strerror(e);
    return false;
  }
  from_ = o.from;
  return o.group.empty() || Join(o, group);
}

bool Listener::Join(const ListenerOptions& o, in_addr group) {
  ifaddrs* all = nullptr;
  if (getifaddrs(&all) != 0) {
    error_ = std::string("cannot list the network interfaces: ") + std::strerror(errno);
    return false;
  }
  bool named = false;
  for (const ifaddrs* i = all; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP)) continue;
    if (!o.interface.empty() && o.interface != i->ifa_name) continue;
    named = true;
    // Loopback carries the programs' multicast by default, though it has no MULTICAST flag.
    if (!(i->ifa_flags & (IFF_MULTICAST | IFF_LOOPBACK))) continue;
    ip_mreqn join{};
    join.imr_multiaddr = group;
    join.imr_address = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr;
    join.imr_ifindex = static_cast<int>(if_nametoindex(i->ifa_name));
    if (setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) == 0) joined_.push_back(i->ifa_name);
  }
  freeifaddrs(all);
  if (joined_.empty()) {
    error_ = "--group " + o.group + ": cannot join it on " +
             (o.interface.empty() ? std::string("any interface")
                                  : o.interface + (named ? "" : " (no such interface up with an IPv4 address)"));
    return false;
  }
  return true;
}

std::optional<Listener::Datagram> Listener::Receive(int timeoutMs) {
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
  sockaddr_in sender{};
  iovec data{buffer_.data(), buffer_.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint32_t))];
  msghdr m{};
  m.msg_name = &sender;
  m.msg_namelen = sizeof sender;
  m.msg_iov = &data;
  m.msg_iovlen = 1;
  m.msg_control = control;
  m.msg_controllen = sizeof control;
  const ssize_t n = recvmsg(fd_, &m, MSG_DONTWAIT);
  if (n < 0) return std::nullopt;
  for (cmsghdr* c = CMSG_FIRSTHDR(&m); c; c = CMSG_NXTHDR(&m, c))
    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) std::memcpy(&dropped_, CMSG_DATA(c), sizeof dropped_);
  const std::uint32_t from = ntohl(sender.sin_addr.s_addr);
  bool accepted = Network{kLoopbackNetwork, 8}.Holds(from);
  for (const Network& n : from_) accepted = accepted || n.Holds(from);
  return Datagram{std::string_view(buffer_.data(), static_cast<std::size_t>(n)), from, ntohs(sender.sin_port), accepted};
}

bool Listener::Send(std::uint32_t to, std::uint16_t port, std::string_view bytes) {
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(port);
  at.sin_addr.s_addr = htonl(to);
  return sendto(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&at), sizeof at) ==
         static_cast<ssize_t>(bytes.size());
}

}  // namespace morvane::station
