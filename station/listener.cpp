#include "station/listener.h"

#include <charconv>

namespace morvane::station {
namespace {

constexpr std::uint32_t kLoopbackNetwork = 0x7f000000;  // 127.0.0.0/8

// Dotted decimal, four parts of 0 to 255 without leading zeros (which some
// systems would read as octal), in host order.
bool ParseIPv4(std::string_view text, std::uint32_t& address) {
  std::uint32_t a = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t end = part < 3 ? text.find('.') : text.size();
    const std::string_view digits = text.substr(0, end);
    unsigned value = 0;
    const auto [stop, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (end == std::string_view::npos || digits.empty() || digits.size() > 3 || ec != std::errc() ||
        stop != digits.data() + digits.size() || value > 255 || (digits.size() > 1 && digits[0] == '0'))
      return false;
    a = a << 8 | value;
    text.remove_prefix(part < 3 ? end + 1 : end);
  }
  address = a;
  return true;
}

}  // namespace

std::optional<Network> ParseNetwork(std::string_view text) {
  Network n;
  const std::size_t slash = text.find('/');
  const std::string address(text.substr(0, slash));
  if (!ParseIPv4(address, n.address)) return std::nullopt;
  if (slash != std::string_view::npos) {
    const std::string_view p = text.substr(slash + 1);
    const auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), n.prefix);
    if (p.empty() || ec != std::errc() || end != p.data() + p.size() || n.prefix < 0 || n.prefix > 32)
      return std::nullopt;
  }
  return n;
}

Listener::~Listener() { platform::CloseSocket(socket_); }

bool Listener::Open(const ListenerOptions& o) {
  std::uint32_t group = 0;
  if (!o.group.empty() && (!ParseIPv4(o.group, group) || (group >> 28) != 0xe)) {
    error_ = "--group " + o.group + ": not an IPv4 multicast group (224.0.0.0 to 239.255.255.255)";
    return false;
  }
  // Sharing the port is for a group's listeners only; a unicast port is
  // ours alone, or another program's.
  const platform::UdpPort port = platform::OpenUdp(o.port, !o.group.empty(), kReceiveBufferBytes);
  if (port.socket == platform::kNoSocket) {
    error_ = port.inUse && o.group.empty()
                 ? "UDP port " + std::to_string(o.port) + " is in use by another program: use --group with multicast"
             : port.error.rfind("cannot open", 0) == 0 ? port.error
                                                       : "cannot listen on UDP port " + std::to_string(o.port) + ": " + port.error;
    return false;
  }
  socket_ = port.socket;
  from_ = o.from;
  return o.group.empty() || Join(o, group);
}

bool Listener::Join(const ListenerOptions& o, std::uint32_t group) {
  std::vector<platform::Interface> all;
  if (std::string why; !platform::Interfaces(all, why)) {
    error_ = "cannot list the network interfaces: " + why;
    return false;
  }
  bool named = false;
  for (const platform::Interface& i : all) {
    if (!i.up) continue;
    if (!o.interface.empty() && o.interface != i.name) continue;
    named = true;
    // Loopback carries the programs' multicast by default, though it has no MULTICAST flag.
    if (!i.multicast && !i.loopback) continue;
    if (platform::JoinGroup(socket_, group, i)) joined_.push_back(i.name);
  }
  if (joined_.empty()) {
    error_ = "--group " + o.group + ": cannot join it on " +
             (o.interface.empty() ? std::string("any interface")
                                  : o.interface + (named ? "" : " (no such interface up with an IPv4 address)"));
    return false;
  }
  return true;
}

std::optional<Listener::Datagram> Listener::Receive(int timeoutMs) {
  const platform::Received r = platform::ReceiveDatagram(socket_, buffer_.data(), buffer_.size(), timeoutMs);
  if (r.size < 0) return std::nullopt;
  if (r.dropCounted) dropped_ = r.dropped;
  bool accepted = Network{kLoopbackNetwork, 8}.Holds(r.from);
  for (const Network& n : from_) accepted = accepted || n.Holds(r.from);
  return Datagram{std::string_view(buffer_.data(), static_cast<std::size_t>(r.size)), r.from, r.port, accepted};
}

bool Listener::Send(std::uint32_t to, std::uint16_t port, std::string_view bytes) {
  return platform::SendDatagram(socket_, to, port, bytes);
}

}  // namespace morvane::station
