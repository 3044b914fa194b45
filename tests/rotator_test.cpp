// The rotator protocol's parsing and the choice of azimuth on rotators of
// every common range; the calls and locators that decoded messages carry.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <thread>

#include "station/decodes.h"
#include "station/listener.h"
#include "station/rotator.h"

namespace morvane::station {
namespace {

TEST(Rotator, EveryBearingFitsEveryRangeTheShorterWay) {
  const struct {
    RotatorRange range;
    double current, bearing, expected;
  } cases[] = {
      {{-180, 180, 0, 90}, 0, 270, -90},  {{0, 450, 0, 90}, 80, 10, 10},   {{0, 450, 0, 90}, 400, 10, 370},
      {{0, 360, 0, 90}, 350, 0, 360},     {{0, 360, 0, 90}, 10, 360, 0},   {{-180, 450, 0, 90}, 10, 292, -68},
      {{-180, 180, 0, 90}, 170, 180, 180}, {{-180, 180, 0, 90}, -170, 180, -180},
  };
  for (const auto& c : cases) EXPECT_EQ(*AzimuthInRange(c.bearing, c.range, c.current), c.expected) << c.bearing;
  // Whatever the rotator and wherever it stands: within its range, the same bearing.
  for (const RotatorRange& r : {RotatorRange{-180, 180, 0, 90}, RotatorRange{0, 450, 0, 90}, RotatorRange{0, 360, 0, 90},
                                RotatorRange{-180, 450, 0, 90}}) {
    for (int bearing = 0; bearing < 360; ++bearing) {
      for (double current : {r.minAzimuth, 0.0, r.maxAzimuth}) {
        const auto a = AzimuthInRange(bearing, r, current);
        ASSERT_TRUE(a) << bearing;
        EXPECT_TRUE(*a >= r.minAzimuth && *a <= r.maxAzimuth && std::fmod(*a - bearing + 720, 360) == 0) << bearing;
      }
    }
  }
  EXPECT_FALSE(AzimuthInRange(200, {0, 180, 0, 90}, 0));  // a half-turn rotator cannot face 200
}

TEST(Rotator, StateAddressesAndErrors) {
  const auto one = ParseDumpState({"1", "1", "min_az=-180.000000", "max_az=450.000000", "min_el=0.000000",
                                   "max_el=90.000000", "south_zero=0", "rot_type=AzEl", "done"});
  ASSERT_TRUE(one);
  EXPECT_EQ(one->minAzimuth, -180);
  EXPECT_EQ(one->maxAzimuth, 450);
  const auto zero = ParseDumpState({"0", "601", "0.000000", "360.000000", "0.000000", "0.000000"});
  ASSERT_TRUE(zero);
  EXPECT_EQ(zero->maxAzimuth, 360);
  EXPECT_FALSE(ParseDumpState({"1", "1", "min_az=x", "max_az=1", "min_el=0", "max_el=0"}));
  EXPECT_FALSE(ParseDumpState({"1", "1", "min_az=10", "max_az=0", "min_el=0", "max_el=0"}));
  EXPECT_FALSE(ParseDumpState({"done"}));
  EXPECT_FALSE(ParseDumpState({"1", "1", "min_az=0", "max_az=1e300", "min_el=0", "max_el=0"}));
  std::string host;
  int port = kDefaultRotatorPort;
  EXPECT_TRUE(ParseAddress("shack:4534", host, port));
  EXPECT_EQ(host + " " + std::to_string(port), "shack 4534");
  EXPECT_TRUE(ParseAddress(":4600", host, port));
  EXPECT_EQ(host, "localhost");
  for (const char* bad : {"", "x:0", "x:70000", "x:1.5", "x:y", "[::1", "[]:4533", "[::1]x"})
    EXPECT_FALSE(ParseAddress(bad, host, port)) << bad;
  for (const auto& [text, where] : {std::pair{"[::1]:4600", "::1 4600"}, {"[fe80::1]", "fe80::1 4600"}, {"::1", "::1 4600"}}) {
    EXPECT_TRUE(ParseAddress(text, host, port)) << text;
    EXPECT_EQ(host + " " + std::to_string(port), where);
  }
  for (const auto& [text, holds, other] : {std::tuple{"192.168.1.0/24", 0xc0a801feu, 0xc0a80201u},
                                           {"10.0.0.7", 0x0a000007u, 0x0a000008u}, {"0.0.0.0/0", 0x01020304u, 0u}}) {
    const auto n = ParseNetwork(text);
    ASSERT_TRUE(n) << text;
    EXPECT_TRUE(n->Holds(holds)) << text;
    EXPECT_EQ(n->Holds(other), n->prefix == 0) << text;
  }
  for (const char* bad : {"", "10.0.0", "10.0.0.0/33", "10.0.0.0/", "host", "010.0.0.1", "256.0.0.1", "1.2.3.4.5", "1..2.3", "+1.2.3.4", "1.2.3.4 "})
    EXPECT_FALSE(ParseNetwork(bad)) << bad;
  for (const auto& [hertz, band] : {std::pair{14074000ull, "20m"}, {144174000ull, "2m"}, {432065000ull, "70cm"},
                                    {1296000000ull, "23cm"}, {13000000ull, ""}, {50313000ull, "6m"}})
    EXPECT_EQ(BandOf(hertz), band) << hertz;
  EXPECT_EQ(ErrorMeaning(-1), "invalid parameter");
  EXPECT_EQ(ErrorMeaning(-5), "communication timed out");
  EXPECT_EQ(ErrorMeaning(-99), "unknown error");
}

// A TCP socket listening on a free port of 127.0.0.1 (address filled in), or -1.
int LoopbackListener(int backlog, sockaddr_in& address) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener, backlog) != 0) return -1;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  return listener;
}

// A refusal as rotctld sends it is named with its code and meaning.
TEST(Rotator, RefusalNamedAsSent) {
  sockaddr_in address{};
  const int listener = LoopbackListener(1, address);
  ASSERT_GE(listener, 0);
  std::thread rotctld([listener] {
    const int peer = accept(listener, nullptr, nullptr);
    char line[64];
    for (int i = 0; i < 2 && read(peer, line, sizeof line) > 0;)
      if (write(peer, "RPRT -8\n", 8) == 8) ++i;
    shutdown(peer, SHUT_WR);
    close(peer);
  });
  RotatorClient client;
  ASSERT_TRUE(client.Connect("127.0.0.1", ntohs(address.sin_port), 5)) << client.error();
  EXPECT_FALSE(client.Point(10, 0, 5));
  EXPECT_EQ(client.error(), "the rotator refused \"P 10.00 0.00\": RPRT -8 (protocol error)");
  double azimuth = 0, elevation = 0;  // a refusal of a question is named too, not taken for a short answer
  EXPECT_FALSE(client.Position(azimuth, elevation, 5));
  EXPECT_EQ(client.error(), "the rotator refused \"p\": RPRT -8 (protocol error)");
  rotctld.join();
  close(listener);
}

// A rotator that never answers the connection (its queue full, as a hung
// rotctld's is): given up after the time allowed, and said so.
TEST(Rotator, ConnectionNeverAnsweredTimesOut) {
  sockaddr_in address{};
  const int listener = LoopbackListener(0, address);
  ASSERT_GE(listener, 0);
  std::vector<RotatorClient> queued(3);  // never accepted: they fill the queue
  for (RotatorClient& c : queued) c.Connect("127.0.0.1", ntohs(address.sin_port), 0.2);
  RotatorClient client;
  EXPECT_FALSE(client.Connect("127.0.0.1", ntohs(address.sin_port), 0.3));
  EXPECT_EQ(client.error(), "no rotator at 127.0.0.1:" + std::to_string(ntohs(address.sin_port)) +
                                ": connection timed out; start rotctld");
  close(listener);
}

TEST(Decodes, TheLocatorAMessageCarries) {
  const struct {
    const char *message, *call, *locator;  // "": none
  } cases[] = {
      {"CQ K1ABC FN42", "K1ABC", "FN42"},     {"CQ DX K1ABC FN42", "K1ABC", "FN42"},
      {"G4XYZ K1ABC FN42", "K1ABC", "FN42"},  {"CQ <W1AW/P> fn31pr", "W1AW/P", "FN31PR"},
      {"CQ 9Z9 JN18", "9Z9", "JN18"},         {"G4XYZ K1ABC RR73", "", ""},
      {"K1ABC G4XYZ -12", "", ""},            {"K1ABC G4XYZ R-12", "", ""},
      {"CQ K1ABC", "", ""},                   {"TNX 73 GL", "", ""},
      {"CQ ABC FN42", "", ""},                {"CQ 1234 FN42", "", ""},
      {"CQ K1ABC ZZ99", "", ""},
      {"CQ K1ABC FN4", "", ""},               {"CQ k1abc FN42", "", ""},
      {"CQ K1ABC FN42 a1", "K1ABC", "FN42"},  {"CQ K1ABC FN42 a7", "K1ABC", "FN42"},
      {"CQ K1ABC FN42 a8", "", ""},           {"CQ K1ABC FN42 ?", "K1ABC", "FN42"},
      {"W9XYZ K1ABC R FN42", "K1ABC", "FN42"}, {"PA3XYZ G4ABC R 570007 JO22DB", "G4ABC", "JO22DB"},
      {"PA3XYZ G4ABC 570007 JO22DB", "G4ABC", "JO22DB"}, {"R 570007 JO22DB", "", ""},
  };
  for (const auto& c : cases) {
    const auto heard = HeardIn(c.message);
    EXPECT_EQ(heard ? heard->call + " " + heard->locator : " ", std::string(c.call) + " " + c.locator) << c.message;
  }
}

}  // namespace
}  // namespace morvane::station
