#include "cli/station_commands.h"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/position_text.h"
#include "station/decodes.h"
#include "cli/log_output.h"
#include "locator/ascii.h"
#include "station/console.h"
#include "station/listener.h"
#include "station/rotator.h"

namespace morvane::cli {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double kAnswerSeconds = 5;    // for one answer of rotctld
constexpr double kStopSeconds = 1.5;    // for the answer to a stop, after Ctrl-C
constexpr double kProgressDegrees = 0.1;

// The signal that asked us to stop (SIGINT or SIGTERM), or 0. A second one
// ends the program at once, whatever it is waiting for.
volatile std::sig_atomic_t stopAsked = 0;
extern "C" void AskStop(int signal) {
  if (stopAsked) _exit(128 + signal);
  stopAsked = signal;
}
volatile std::sig_atomic_t summaryAsked = 0;
extern "C" void AskSummary(int) { summaryAsked = 1; }

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

// How far apart two azimuths point, as bearings: 0 to 180 degrees.
double BearingsApart(double a, double b) {
  const double d = std::fabs(Bearing(a) - Bearing(b));
  return std::min(d, 360 - d);
}

std::string Whole(double degrees) {
  const double whole = std::round(Bearing(degrees));
  return Shown(whole == 360 ? 0 : whole);
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "morvane-cli: %s\n", why.c_str());
  return 1;
}

struct Rotator {
  std::string host;
  int port = station::kDefaultRotatorPort;
};

// After Ctrl-C: the stop sent, and what is known of where the antenna is.
// A connection of its own: the answer the signal cut short may still come
// on the first one.
int Stopped(const Rotator& rotator, double lastSeen) {
  const int signal = stopAsked;
  stopAsked = 0;  // the stop's own answer is waited for; a second signal still ends at once
  station::RotatorClient client;
  double azimuth = lastSeen, elevation = 0;
  if (client.Connect(rotator.host, rotator.port, kStopSeconds) && client.Stop(kStopSeconds) &&
      client.Position(azimuth, elevation, kStopSeconds))
    std::fprintf(stderr, "morvane-cli: stopped at %s\n", Whole(azimuth).c_str());
  else
    std::fprintf(stderr, "morvane-cli: stop sent, no answer from the rotator (last seen at %s)\n",
                 Whole(lastSeen).c_str());
  return 128 + signal;
}

// The first steps of every turn, rotate's and listen's: connect, read the
// range and where the antenna points (azimuth), and send the azimuth that
// reaches bearing the shorter way.
enum class Begun { Sent, NoAnswer, OutOfRange, NotSent };
Begun BeginTurn(station::RotatorClient& client, const Rotator& rotator, double bearing, double seconds,
                double& azimuth, station::RotatorRange& range) {
  double elevation = 0;
  if (!client.Connect(rotator.host, rotator.port, seconds) || !client.Range(range, seconds) ||
      !client.Position(azimuth, elevation, seconds))
    return Begun::NoAnswer;
  const auto goal = station::AzimuthInRange(bearing, range, azimuth);
  if (!goal) return Begun::OutOfRange;
  return client.Point(*goal, std::clamp(elevation, range.minElevation, range.maxElevation), seconds) ? Begun::Sent
                                                                                                     : Begun::NotSent;
}

// Turns the antenna to bearing; with wait, follows it until it points
// within tolerance of it (as bearings: a rotator that reads 370 points at
// 10). The wait ends when the antenna has come no closer for timeout
// seconds, so a reading that flickers short of the bearing cannot hold it.
int Turn(const Rotator& rotator, double bearing, bool wait, double timeout, double tolerance) {
  station::RotatorClient client;
  client.SetInterrupt(&stopAsked);
  station::RotatorRange range;
  double azimuth = 0, elevation = 0;
  switch (BeginTurn(client, rotator, bearing, kAnswerSeconds, azimuth, range)) {
    case Begun::NoAnswer: return stopAsked ? 128 + stopAsked : Fail(client.error());
    case Begun::OutOfRange:
      return Fail("bearing " + Whole(bearing) + " is outside the rotator's range (" + Shown(range.minAzimuth) + " to " +
                  Shown(range.maxAzimuth) + ")");
    case Begun::NotSent: return stopAsked ? Stopped(rotator, azimuth) : Fail(client.error());
    case Begun::Sent: break;
  }
  const double from = azimuth;
  if (!wait) {
    std::printf("turning to %s (from %s)\n", Whole(bearing).c_str(), Whole(from).c_str());
    return 0;
  }
  const bool terminal = isatty(STDOUT_FILENO);
  double closest = BearingsApart(azimuth, bearing);
  auto approached = Clock::now();
  while (BearingsApart(azimuth, bearing) > tolerance) {
    if (stopAsked) {
      if (terminal) std::printf("\n");
      return Stopped(rotator, azimuth);
    }
    if (std::chrono::duration<double>(Clock::now() - approached).count() > timeout) {
      client.Stop(kStopSeconds);
      if (terminal) std::printf("\n");
      return Fail("the rotator stopped at " + Whole(azimuth) + ", short of " + Whole(bearing) + " (no nearer for " +
                  Shown(timeout) + " s)");
    }
    usleep(200000);
    if (!client.Position(azimuth, elevation, kAnswerSeconds)) {
      if (stopAsked) continue;  // the wait was cut short: stop the rotator above
      return Fail(client.error());
    }
    if (const double apart = BearingsApart(azimuth, bearing); apart < closest - kProgressDegrees) {
      closest = apart;
      approached = Clock::now();
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

// --tolerance for the rotator: degrees, default 2.
std::optional<double> Tolerance(const Options& o) {
  if (o.tolerance.empty()) return 2.0;
  char* end = nullptr;
  const double t = std::strtod(o.tolerance.c_str(), &end);
  if (end == o.tolerance.c_str() || *end != '\0' || !(t >= 0 && t <= 180)) return std::nullopt;
  return t;
}

std::optional<Rotator> ReadRotator(const std::string& text) {
  Rotator r;
  if (!station::ParseAddress(text, r.host, r.port)) return std::nullopt;
  return r;
}

// Turns the antenna for listen on a thread of its own, so that a rotator
// that is slow to answer never holds back a decode line: the newest bearing
// asked for wins, and turns are at least settle seconds apart.
class Turner {
 public:
  Turner(Rotator rotator, double settle, double timeout, bool json)
      : rotator_(std::move(rotator)), settle_(settle), timeout_(timeout), json_(json), worker_([this] { Work(); }) {}
  ~Turner() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
      abort_ = 1;  // a rotator that hangs does not hold the program's end
    }
    changed_.notify_all();
    worker_.join();
  }
  void TurnTo(double bearing, const std::string& why) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      wanted_ = bearing;
      why_ = why;
    }
    changed_.notify_all();
  }

 private:
  void Say(const std::string& what, double bearing, const std::string& detail) {
    if (json_)
      std::fprintf(stderr, "{\"rotator\": %s, \"azimuth\": %s, \"detail\": %s}\n", JsonString(what).c_str(),
                   Whole(bearing).c_str(), JsonString(detail).c_str());
    else
      std::fprintf(stderr, "morvane-cli: %s %s%s\n", what.c_str(), Whole(bearing).c_str(),
                   detail.empty() ? "" : (" (" + detail + ")").c_str());
  }
  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    auto last = Clock::now() - std::chrono::hours(1);
    for (;;) {
      changed_.wait(lock, [&] { return done_ || wanted_; });
      if (done_) return;
      // Settle: the rotator is not asked again before it can have got there.
      const auto next = last + std::chrono::milliseconds(static_cast<long>(settle_ * 1000));
      if (changed_.wait_until(lock, next, [&] { return done_; })) return;
      const double bearing = *wanted_;
      const std::string why = why_;
      wanted_.reset();
      lock.unlock();
      station::RotatorClient client;
      client.SetInterrupt(&abort_);
      station::RotatorRange range;
      double azimuth = 0;
      switch (BeginTurn(client, rotator_, bearing, timeout_, azimuth, range)) {
        case Begun::Sent: Say("turning to", bearing, why + ", from " + Whole(azimuth)); break;
        case Begun::OutOfRange: Say("outside the rotator's range:", bearing, ""); break;
        default: Say("cannot turn to", bearing, client.error());
      }
      last = Clock::now();
      lock.lock();
    }
  }

  Rotator rotator_;
  double settle_, timeout_;
  bool json_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<double> wanted_;
  std::string why_;
  bool done_ = false;
  volatile int abort_ = 0;
  std::thread worker_;
};

}  // namespace

int RunRotate(const Context& context, const std::vector<std::string>& operands) {
  const Options& o = context.options;
  double bearing = 0;
  const auto rotator = ReadRotator(o.rotator.empty() ? "localhost:4533" : o.rotator);
  if (!rotator) return Fail("--rotator " + o.rotator + ": not HOST:PORT"), 2;
  const auto tolerance = Tolerance(o);
  if (!tolerance) return Fail("--tolerance " + o.tolerance + ": degrees from 0 to 180"), 2;
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
  CatchStop();
  return Turn(*rotator, bearing, !o.noWait, o.timeout, *tolerance);
}

// What listen shows, and of what: the filters and the log's marks.
struct Console {
  std::optional<station::WorkedLog> log;
  std::optional<std::pair<double, double>> bearings;  // FROM-TO, clockwise
  bool Shows(bool cq, double azimuth, double km, int snr,
             std::optional<station::WorkedLog::Mark> mark, const Options& o) const {
    if (o.cqOnly && !cq) return false;
    if (o.newOnly && mark != station::WorkedLog::Mark::NewSquare) return false;
    if (km < o.minKm) return false;
    if (o.minSnr && snr < *o.minSnr) return false;
    if (bearings) {
      const double from = bearings->first, to = bearings->second, a = Bearing(azimuth);
      if (from <= to ? (a < from || a > to) : (a < from && a > to)) return false;
    }
    return true;
  }
};

std::optional<std::pair<double, double>> ReadBearings(const std::string& text) {
  const std::size_t dash = text.find('-', 1);
  if (dash == std::string::npos) return std::nullopt;
  char* end = nullptr;
  const double from = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + dash) return std::nullopt;
  const char* second = text.c_str() + dash + 1;
  const double to = std::strtod(second, &end);
  if (end == second || *end != '\0' || !(from >= 0 && from <= 360) || !(to >= 0 && to <= 360)) return std::nullopt;
  return std::pair(from, to);
}

void WriteSummary(const station::HeardSquares& heard, const Options& o) {
  const auto rows = heard.Sorted();
  const std::string unit = o.miles ? "mi" : "km";
  std::fprintf(stderr, "morvane-cli: heard %zu square%s, farthest first:\n", rows.size(), rows.size() == 1 ? "" : "s");
  for (const auto& r : rows)
    std::fprintf(stderr, "  %s\t%ld decode%s\tbest SNR %d\tfarthest %s %s\t%s\t%s %s\n", r.square.c_str(), r.decodes,
                 r.decodes == 1 ? "" : "s", r.bestSnr, r.farthestCall.c_str(), r.farthestLocator.c_str(),
                 Whole(r.azimuth).c_str(), ShownResult(r.distance, false).c_str(), unit.c_str());
  if (o.summary.empty()) return;
  std::string csv = "square,decodes,best_snr,farthest_call,farthest_locator,azimuth,distance,unit\r\n";
  for (const auto& r : rows)
    csv += r.square + "," + std::to_string(r.decodes) + "," + std::to_string(r.bestSnr) + "," + r.farthestCall + "," +
           r.farthestLocator + "," + Whole(r.azimuth) + "," + ShownResult(r.distance, false) + "," + unit + "\r\n";
  WriteWholeFile(o.summary, csv, "the summary is not written");
}

int RunListen(const Context& context) {
  const Options& o = context.options;
  station::ListenerOptions lo;
  lo.port = o.port;
  lo.group = o.group;
  lo.interface = o.interface;
  for (const std::string& f : o.from) {
    const auto n = station::ParseNetwork(f);
    if (!n) return Fail("--from " + f + ": not an IPv4 address or network (192.168.1.0/24)"), 2;
    lo.from.push_back(*n);
  }
  // Only this machine's programs may turn the antenna, unless --from says who else may.
  if (!o.rotateTo.empty() && lo.from.empty()) lo.from.push_back({0x7f000000, 8});
  std::optional<Rotator> rotator;
  if (!o.rotateTo.empty() && !(rotator = ReadRotator(o.rotateTo)))
    return Fail("--rotate " + o.rotateTo + ": not HOST:PORT"), 2;
  if (!o.turnCall.empty() && !rotator) return Fail("--turn needs --rotate HOST:PORT"), 2;
  if (!Tolerance(o)) return Fail("--tolerance " + o.tolerance + ": degrees from 0 to 180"), 2;
  Console console;
  if (!o.bearing.empty() && !(console.bearings = ReadBearings(o.bearing)))
    return Fail("--bearing " + o.bearing + ": FROM-TO, degrees clockwise (300-60)"), 2;
  if (o.newOnly && o.log.empty()) return Fail("--new needs --log FILE.adi: new against what was worked"), 2;
  if (!o.log.empty()) {
    console.log.emplace(o.log);
    if (!console.log->Update()) return Fail(console.log->error());
  }
  station::Listener listener;
  if (!listener.Open(lo)) return Fail(listener.error());
  CatchStop();
  struct sigaction summary {};
  summary.sa_handler = AskSummary;
  sigemptyset(&summary.sa_mask);
  sigaction(SIGUSR1, &summary, nullptr);
  std::optional<Turner> turner;
  if (rotator) turner.emplace(*rotator, o.settle, o.timeout, o.json);

  Output out(stdout);
  struct Instance {
    std::string grid, band, mode;
    std::uint64_t frequency = 0;
  };
  std::map<std::string, Instance> instances;  // by the program's id
  std::string followed = o.id, dxKey;
  station::HeardSquares heard;
  long decodes = 0, withLocator = 0, malformed = 0, replayed = 0, refused = 0;
  bool warnedNoBase = false;
  auto logChecked = Clock::now();
  // The base: --my, else the grid the instance's own Status gives, else home.
  const auto base = [&](const std::string& id) -> std::optional<std::string> {
    if (!o.my.empty()) return ReadLocator(o.my);
    if (const auto it = instances.find(id); it != instances.end() && !it->second.grid.empty()) return it->second.grid;
    if (!context.homeBase.empty()) return context.homeBase;
    return std::nullopt;
  };
  const auto sayTotals = [&] {
    WriteSummary(heard, o);
    std::fprintf(stderr, "morvane-cli: %ld decodes, %ld with a locator, %ld malformed, %ld replayed (not shown), "
                 "%ld from other hosts (ignored), %u lost for want of room\n",
                 decodes, withLocator, malformed, replayed, refused, listener.dropped());
  };
  while (!stopAsked) {
    if (summaryAsked) {
      summaryAsked = 0;
      sayTotals();
    }
    if (console.log && Clock::now() - logChecked > std::chrono::seconds(1)) {
      logChecked = Clock::now();
      if (!console.log->Update()) std::fprintf(stderr, "morvane-cli: %s\n", console.log->error().c_str());
    }
    const auto datagram = listener.Receive(500);
    if (!datagram) continue;
    if (!datagram->accepted) {
      ++refused;
      continue;
    }
    const auto d = station::ReadDatagram(datagram->bytes);
    if (!d) {
      ++malformed;
      continue;
    }
    using Kind = station::Datagram::Kind;
    if (d->kind == Kind::Status) {
      Instance& instance = instances[d->id];
      if (const auto grid = ReadLocator(d->deGrid)) instance.grid = *grid;
      instance.frequency = d->frequency;
      instance.band = station::BandOf(d->frequency);
      instance.mode = d->mode;
      if (followed.empty()) followed = d->id;  // the first instance heard is the one followed
      const auto dx = ReadLocator(d->dxGrid);
      // The operator picked another station: turn to it.
      if (turner && d->id == followed && dx && d->dxCall + " " + *dx != dxKey) {
        dxKey = d->dxCall + " " + *dx;
        if (const auto from = base(d->id); from && *from != *dx)
          turner->TurnTo(ComputePath(*from, *dx, o.longPath, false, false).azimuth, d->dxCall + " " + *dx);
      }
      continue;
    }
    if (d->kind != Kind::Decode && d->kind != Kind::WsprDecode) continue;
    ++decodes;
    if (!d->isNew) {  // a replay of decodes already sent, or of a recording
      ++replayed;
      continue;
    }
    const bool wspr = d->kind == Kind::WsprDecode;
    std::optional<station::Heard> h;
    if (wspr) {
      if (const auto grid = ReadLocator(d->dxGrid); grid && grid->size() <= 6 && !d->dxCall.empty())
        h = station::Heard{d->dxCall, *grid};
    } else {
      h = station::HeardIn(d->message);
    }
    if (!h) continue;
    ++withLocator;
    const auto from = base(d->id);
    if (!from) {
      if (!warnedNoBase) std::fprintf(stderr, "morvane-cli: no base locator yet: give --my, or save a home locator\n");
      warnedNoBase = true;
      continue;
    }
    const Instance& instance = instances[d->id];
    const std::string band = wspr ? station::BandOf(d->frequency) : instance.band;
    const std::string mode = wspr ? std::string("WSPR") : !instance.mode.empty() ? instance.mode : station::ModeOfMark(d->mode);
    char time[16];
    const unsigned seconds = d->milliseconds / 1000;
    std::snprintf(time, sizeof time, "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    const bool same = *from == h->locator;
    const PathResult km = same ? PathResult{0, 0} : ComputePath(*from, h->locator, o.longPath, o.ellipsoid, false);
    const PathResult r = o.miles ? PathResult{km.azimuth, KmToMiles(km.distance)} : km;
    heard.Add(h->call, h->locator, d->snr, r.azimuth, r.distance);
    if (turner && !o.turnCall.empty() && SameLetters(h->call, o.turnCall) && !same)
      turner->TurnTo(km.azimuth, h->call + " " + h->locator + " heard");
    std::optional<station::WorkedLog::Mark> mark;
    if (console.log) mark = console.log->Of(h->call, h->locator, band);
    if (!console.Shows(!wspr && d->message.rfind("CQ ", 0) == 0, km.azimuth, km.distance, d->snr, mark, o))
      continue;
    const std::string azimuth = ShownResult(r.azimuth, o.ellipsoid), distance = ShownResult(r.distance, o.ellipsoid && !o.miles);
    const std::string_view unit = o.miles ? "mi" : "km";
    const std::string bandShown = !band.empty() ? band : instance.frequency ? Shown(double(instance.frequency) / 1e6) : "-";
    if (o.json) {
      out << "{\"time\": \"" << time << "\", \"band\": " << JsonString(bandShown)
          << ", \"frequency\": " << std::to_string(wspr ? d->frequency : instance.frequency)
          << ", \"mode\": " << JsonString(mode) << ", \"snr\": " << std::to_string(d->snr)
          << ", \"call\": " << JsonString(h->call) << ", \"locator\": \"" << h->locator << "\", \"azimuth\": " << azimuth
          << ", \"distance\": " << distance << ", \"unit\": \"" << unit << "\"";
      if (mark) out << ", \"mark\": \"" << station::MarkName(*mark) << "\"";
      out << "}";
    } else {
      out << time << '\t' << Printable(bandShown) << '\t' << Printable(mode) << '\t' << std::to_string(d->snr) << '\t'
          << h->call << '\t' << h->locator << '\t' << azimuth << '\t' << distance << '\t' << unit;
      if (mark) out << '\t' << station::MarkName(*mark);
    }
    out.EndLine();
    out.Flush();  // at once: someone is waiting for it
  }
  turner.reset();
  sayTotals();
  return out.Flush() ? 0 : 1;
}

}  // namespace morvane::cli
