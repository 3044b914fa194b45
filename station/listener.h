// The UDP socket that the decodes of digital-mode programs arrive on, as
// the programs and loggers around it use the port: without a multicast
// group it is bound alone, so that a logger already on the port is said
// to be there rather than robbed of its datagrams; with a group it shares
// the port with the other listeners and joins the group on the loopback
// interface (where the programs multicast by default) and on every other
// interface that is up and can take multicast. Tested alone on loopback.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net.h"

namespace morvane::station {

// An IPv4 address, or a network "192.168.1.0/24".
struct Network {
  std::uint32_t address = 0;  // host order
  int prefix = 32;
  bool Holds(std::uint32_t a) const { return prefix == 0 || (a ^ address) >> (32 - prefix) == 0; }
};
std::optional<Network> ParseNetwork(std::string_view text);

struct ListenerOptions {
  int port = 2237;
  std::string group;      // an IPv4 multicast group, or empty
  std::string interface;  // join on this interface only (a name: "eth0"), or empty: all that can
  // Senders whose datagrams are accepted besides this machine's own
  // programs (the loopback network, always accepted); empty: none.
  std::vector<Network> from;
};

// The receive buffer asked for: a burst of decodes at the end of a period
// (a few hundred datagrams at once) fits many times over.
inline constexpr int kReceiveBufferBytes = 4 << 20;

class Listener {
 public:
  Listener() = default;
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // false with error() set: "UDP port 2237 is in use by another program:
  // use --group with multicast", a group that is not one, an unknown
  // interface.
  bool Open(const ListenerOptions& options);
  const std::string& error() const { return error_; }
  // The interfaces the group was joined on.
  const std::vector<std::string>& joined() const { return joined_; }

  struct Datagram {
    std::string_view bytes;  // valid until the next Receive
    std::uint32_t sender;    // IPv4, host order
    std::uint16_t port;      // the sender's, where its program takes replies
    bool accepted;           // from loopback, or from a sender the options name
  };
  // The next datagram, waiting at most timeoutMs; nullopt on a time-out, a
  // signal or an error.
  std::optional<Datagram> Receive(int timeoutMs);
  // Sends a reply to a program (IPv4 and port in host order); false when
  // it could not be sent.
  bool Send(std::uint32_t to, std::uint16_t port, std::string_view bytes);
  // Datagrams the system dropped for want of room in the buffer, since Open.
  std::uint32_t dropped() const { return dropped_; }

 private:
  bool Join(const ListenerOptions& o, std::uint32_t group);
  platform::Socket socket_ = platform::kNoSocket;
  std::vector<Network> from_;
  std::vector<std::string> joined_;
  std::vector<char> buffer_ = std::vector<char>(65536);
  std::uint32_t dropped_ = 0;
  std::string error_;
};

}  // namespace morvane::station
