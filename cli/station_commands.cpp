#include "cli/station_commands.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/position_text.h"
#include "station/decodes.h"
#include "station/rotator.h"

namespace morvane::cli {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double kAnswerSeconds = 5;    // for one answer of rotctld
constexpr double kArrivedDegrees = 1;   // near enough to the azimuth asked for
constexpr double kProgressDegrees = 0.1;

volatile std::sig_atomic_t stopAsked = 0;
extern "C" void AskStop(int) { stopAsked = 1; }

// SIGINT and SIGTERM end the wait (and the listening) cleanly: no restart
// of the call they interrupt, so the loop sees them at once.
void CatchStop() {
  struct sigaction act {};
  act.sa_handler = AskStop;
  sigemptyset(&act.sa_mask);
  for (int s : {SIGINT, SIGTERM}) {
    struct sigaction old {};
    sigaction(s, nullptr, &old);
    if (old.sa_handler != SIG_IGN) sigaction(s, &act, nullptr);
  }
}

double Bearing(double azimuth) {
  const double b = std::fmod(azimuth, 360);
  return b < 0 ? b + 360 : b;
}

std::string Whole(double degrees) {
  const double whole = std::round(Bearing(degrees));
  return Shown(whole == 360 ? 0 : whole);
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "morvane-cli: %s\n", why.c_str());
  return 1;
}

// Turns the antenna to bearing; with wait, follows it until it arrives.
int Turn(const std::string& rotator, double bearing, bool wait, double timeout) {
  std::string host;
  int port = station::kDefaultRotatorPort;
  if (!station::ParseAddress(rotator, host, port)) return Fail("--rotator " + rotator + ": not HOST:PORT");
  station::RotatorClient client;
  station::RotatorRange range;
  double azimuth = 0, elevation = 0;
  if (!client.Connect(host, port, kAnswerSeconds) || !client.Range(range, kAnswerSeconds) ||
      !client.Position(azimuth, elevation, kAnswerSeconds))
    return Fail(client.error());
  const double from = azimuth;
  const auto goal = station::AzimuthInRange(bearing, range, azimuth);
  if (!goal)
    return Fail("bearing " + Whole(bearing) + " is outside the rotator's range (" + Shown(range.minAzimuth) + " to " +
                Shown(range.maxAzimuth) + ")");
  elevation = std::clamp(elevation, range.minElevation, range.maxElevation);
  if (!client.Point(*goal, elevation, kAnswerSeconds)) return Fail(client.error());
  if (!wait) {
    std::printf("turning to %s (from %s)\n", Whole(bearing).c_str(), Whole(from).c_str());
    return 0;
  }
  CatchStop();
  const bool terminal = isatty(STDOUT_FILENO);
  double last = azimuth;
  auto moved = Clock::now();
  while (std::fabs(azimuth - *goal) > kArrivedDegrees) {
    if (stopAsked) {
      client.Stop(kAnswerSeconds);
      if (terminal) std::printf("\n");
      std::fprintf(stderr, "morvane-cli: stopped at %s\n", Whole(azimuth).c_str());
      return 130;
    }
    if (std::chrono::duration<double>(Clock::now() - moved).count() > timeout) {
      client.Stop(kAnswerSeconds);
      if (terminal) std::printf("\n");
      return Fail("the rotator stopped at " + Whole(azimuth) + ", short of " + Whole(bearing) + " (no movement for " +
                  Shown(timeout) + " s)");
    }
    usleep(200000);
    if (!client.Position(azimuth, elevation, kAnswerSeconds)) {
      if (stopAsked) continue;  // the wait was cut short: stop the rotator above
      return Fail(client.error());
    }
    if (std::fabs(azimuth - last) > kProgressDegrees) {
      last = azimuth;
      moved = Clock::now();
    }
    if (terminal) {
      std::printf("\rturning: %s -> %s  ", Whole(azimuth).c_str(), Whole(bearing).c_str());
      std::fflush(stdout);
    }
  }
  if (terminal) std::printf("\r");
  std::printf("rotated to %s (from %s)\n", Whole(bearing).c_str(), Whole(from).c_str());
  return 0;
}

}  // namespace

int RunRotate(const Context& context, const std::vector<std::string>& operands) {
  const Options& o = context.options;
  double bearing = 0;
  if (!o.bearing.empty()) {
    if (!operands.empty()) return Fail("--azimuth takes no locators"), 2;
    char* end = nullptr;
    bearing = std::strtod(o.bearing.c_str(), &end);
    if (end == o.bearing.c_str() || *end != '\0' || !(bearing >= 0 && bearing <= 360))
      return Fail("--azimuth " + o.bearing + ": a bearing from 0 to 360"), 2;
  } else {
    const std::size_t wanted = o.home ? 1 : 2;
    if (operands.size() != wanted) return Fail(o.home ? "rotate --home takes TARGET" : "rotate takes BASE TARGET"), 2;
    const auto base = ReadLocator(o.home ? context.homeBase : operands[0]);
    const auto target = ReadLocator(operands[wanted - 1]);
    if (!base || !target) return Fail(std::string(kLocatorIncorrect) + (base ? " (target)" : " (base)"));
    if (*base == *target) return Fail("The two QRA locators are equal. No calculation can be done");
    bearing = ComputePath(*base, *target, o.longPath, false, false).azimuth;
  }
  return Turn(o.rotator.empty() ? "localhost:4533" : o.rotator, bearing, !o.noWait, o.timeout);
}

int RunListen(const Context& context) {
  const Options& o = context.options;
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Fail(std::string("cannot open a UDP socket: ") + std::strerror(errno));
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one);  // beside another listener of the same group
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<std::uint16_t>(o.port));
  at.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
    const int e = errno;
    close(fd);
    return Fail("cannot listen on UDP port " + std::to_string(o.port) + ": " + std::strerror(e));
  }
  if (!o.group.empty()) {
    ip_mreq join{};
    if (inet_pton(AF_INET, o.group.c_str(), &join.imr_multiaddr) != 1 ||
        setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0) {
      const int e = errno;
      close(fd);
      return Fail("--group " + o.group + ": cannot join it: " + std::strerror(e));
    }
  }
  CatchStop();
  Output out(stdout);
  std::string statusGrid, dxKey;
  long decodes = 0, withLocator = 0, malformed = 0;
  bool warnedNoBase = false;
  std::vector<char> buffer(65536);
  // The base: --my, else the grid the program's Status gives, else home.
  const auto base = [&]() -> std::optional<std::string> {
    if (!o.my.empty()) return ReadLocator(o.my);
    if (!statusGrid.empty()) return statusGrid;
    if (!context.homeBase.empty()) return context.homeBase;
    return std::nullopt;
  };
  while (!stopAsked) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 500) <= 0) continue;
    const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
    if (n < 0) continue;
    const auto d = station::ReadDatagram(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    if (!d) {
      ++malformed;
      continue;
    }
    if (d->kind == station::Datagram::Kind::Status) {
      if (const auto grid = ReadLocator(d->deGrid)) statusGrid = *grid;
      const auto dx = ReadLocator(d->dxGrid);
      // The operator picked another station: turn to it.
      if (!o.rotateTo.empty() && dx && d->dxCall + " " + *dx != dxKey) {
        dxKey = d->dxCall + " " + *dx;
        if (const auto from = base(); from && *from != *dx)
          Turn(o.rotateTo, ComputePath(*from, *dx, false, false, false).azimuth, false, o.timeout);
      }
      continue;
    }
    if (d->kind != station::Datagram::Kind::Decode) continue;
    ++decodes;
    const auto heard = station::HeardIn(d->message);
    if (!heard) continue;
    ++withLocator;
    const auto from = base();
    if (!from) {
      if (!warnedNoBase) std::fprintf(stderr, "morvane-cli: no base locator yet: give --my, or save a home locator\n");
      warnedNoBase = true;
      continue;
    }
    char time[16];
    const unsigned seconds = d->milliseconds / 1000;
    std::snprintf(time, sizeof time, "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    const bool same = *from == heard->locator;
    const PathResult r = same ? PathResult{0, 0} : ComputePath(*from, heard->locator, false, o.ellipsoid, o.miles);
    const std::string azimuth = ShownResult(r.azimuth, o.ellipsoid), distance = ShownResult(r.distance, o.ellipsoid && !o.miles);
    const std::string_view unit = o.miles ? "mi" : "km";
    if (o.json)
      out << "{\"time\": \"" << time << "\", \"call\": " << JsonString(heard->call) << ", \"locator\": \""
          << heard->locator << "\", \"snr\": " << std::to_string(d->snr) << ", \"azimuth\": " << azimuth
          << ", \"distance\": " << distance << ", \"unit\": \"" << unit << "\"}";
    else
      out << time << '\t' << heard->call << '\t' << heard->locator << '\t' << azimuth << '\t' << distance << '\t' << unit;
    out.EndLine();
    out.Flush();  // at once: someone is waiting for it
  }
  close(fd);
  std::fprintf(stderr, "morvane-cli: %ld decodes, %ld with a locator, %ld malformed\n", decodes, withLocator, malformed);
  return out.Flush() ? 0 : 1;
}

}  // namespace morvane::cli
