#include "cli/station_commands.h"

#include <unistd.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli/alerts.h"
#include "cli/position_text.h"
#include "files/replacing_file.h"
#include "platform/files.h"
#include "platform/signals.h"
#include "station/session.h"
#include "station/decodes.h"
#include "cli/log_output.h"
#include "locator/ascii.h"
#include "station/console.h"
#include "station/listener.h"
#include "station/rotator.h"
#include "station/turner.h"

namespace morvane::cli {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double kAnswerSeconds = 5;    // for one answer of rotctld
constexpr double kStopSeconds = 1.5;    // for the answer to a stop, after Ctrl-C
constexpr double kProgressDegrees = 0.1;

// The request that asked us to stop (Ctrl-C, SIGTERM, SIGHUP...), or 0. A
// second one ends the program at once, whatever it is waiting for.
volatile int stopAsked = 0;
extern "C" void AskStop(int request) {
  if (stopAsked) platform::EndStopped(request);
  stopAsked = request;
}
volatile int summaryAsked = 0;
extern "C" void AskSummary(int) { summaryAsked = 1; }

// Every way a session is ended from outside ends the wait (and the
// listening) cleanly, seen by the loop at once.
void CatchStop() { platform::CatchStop(AskStop); }

using station::Bearing;
using station::BearingsApart;
using station::Begun;

std::string Whole(double degrees) {
  const double whole = std::round(Bearing(degrees));
  return Shown(whole == 360 ? 0 : whole);
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "morvane-cli: %s\n", why.c_str());
  return 1;
}

using Rotator = station::RotatorAddress;

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
  return platform::StoppedStatus(signal);
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
  switch (station::BeginTurn(client, rotator, bearing, kAnswerSeconds, azimuth, range)) {
    case Begun::NoAnswer: return stopAsked ? platform::StoppedStatus(stopAsked) : Fail(client.error());
    case Begun::OutOfRange:
      return Fail("bearing " + Whole(bearing) + " is outside the rotator's range (" + Shown(range.minAzimuth) + " to " +
                  Shown(range.maxAzimuth) + ")");
    case Begun::NotSent: return stopAsked ? Stopped(rotator, azimuth) : Fail(client.error());
    case Begun::Sent:
    case Begun::AlreadyThere: break;
  }
  const double from = azimuth;
  if (!wait) {
    std::printf("turning to %s (from %s)\n", Whole(bearing).c_str(), Whole(from).c_str());
    return 0;
  }
  const bool terminal = platform::IsTerminal(1);
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

namespace {

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

// The first line of every summary listen writes, now and before the band
// column came: a file that starts otherwise is somebody else's.
constexpr std::string_view kSummaryHeader =
    "band,square,decodes,best_snr,farthest_call,farthest_locator,azimuth,distance,unit";
constexpr std::string_view kOlderSummaryHeader = "square,decodes,best_snr,farthest_call,farthest_locator,";

// Why --summary may not be written, or nullopt: it is the log itself,
// however named, or a file of other text (unless --force). Asked at the
// start and before each writing, since files move while a session runs.
std::optional<std::string> SummaryRefused(const Options& o) {
  if (!o.log.empty() && NamesSameFile(o.summary, o.log))
    return "--summary " + o.summary + " is the log given with --log: not replaced";
  const auto st = platform::StatusOfPath(o.summary);
  if (o.force || !st || !st->regular || st->size == 0) return std::nullopt;
  std::string start(kSummaryHeader.size(), '\0');
  const int fd = platform::OpenToRead(o.summary);
  const long long n = fd >= 0 ? platform::ReadAt(fd, start.data(), start.size(), 0) : 0;
  start.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  if (fd >= 0) close(fd);
  if (start.rfind(kSummaryHeader, 0) == 0 || start.rfind(kOlderSummaryHeader, 0) == 0) return std::nullopt;
  return "--summary " + o.summary + ": not a summary of listen; not replaced (--force replaces it)";
}

// Kilometres in the unit asked for.
double InUnit(double km, const Options& o) { return o.miles ? KmToMiles(km) : km; }

// The summary: on standard error always, and into --summary when given.
// False when the file was not written.
bool WriteSummary(const station::HeardSquares& heard, const Options& o) {
  const auto rows = heard.Sorted();
  const std::string unit = o.miles ? "mi" : "km";
  std::fprintf(stderr, "morvane-cli: heard %zu square%s, farthest first:\n", rows.size(), rows.size() == 1 ? "" : "s");
  for (const auto& r : rows)
    std::fprintf(stderr, "  %s\t%s\t%ld decode%s\tbest SNR %d\tfarthest %s %s\t%s\t%s %s\n",
                 r.band.empty() ? "-" : r.band.c_str(), r.square.c_str(), r.decodes, r.decodes == 1 ? "" : "s",
                 r.bestSnr, Printable(r.farthestCall).c_str(), r.farthestLocator.c_str(), Whole(r.azimuth).c_str(),
                 ShownResult(InUnit(r.distance, o), false).c_str(), unit.c_str());
  if (o.summary.empty()) return true;
  if (const auto refused = SummaryRefused(o)) {
    std::fprintf(stderr, "morvane-cli: %s\n", Printable(*refused).c_str());
    return false;
  }
  std::string csv = std::string(kSummaryHeader) + "\r\n";
  for (const auto& r : rows)
    csv += CsvField(r.band) + "," + r.square + "," + std::to_string(r.decodes) + "," + std::to_string(r.bestSnr) + "," +
           CsvField(r.farthestCall) + "," + CsvField(r.farthestLocator) + "," + Whole(r.azimuth) + "," +
           ShownResult(InUnit(r.distance, o), false) + "," + unit + "\r\n";
  return WriteWholeFile(o.summary, csv, "the summary is not written");
}

std::string Thousands(std::size_t n) {
  const std::string digits = std::to_string(n);
  std::string s;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) s += ',';
    s += digits[i];
  }
  return s;
}

// The reader of standard output has gone (a pipe to head, a closed
// terminal): nothing more can be shown.
bool ReaderGone() { return platform::ReaderGone(1); }

// Colours in the program's band activity: a new square, a watched call,
// the station --turn follows.
constexpr station::Colour kNewSquareColour{255, 165, 0}, kWatchedColour{255, 105, 180}, kTurnColour{0, 191, 255},
    kTextColour{0, 0, 0};
// Highlights remembered to be cleared at the end, at most.
constexpr std::size_t kMaxHighlights = 2000;

}  // namespace

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
  std::optional<Rotator> rotator;
  if (!o.rotateTo.empty() && !(rotator = ReadRotator(o.rotateTo)))
    return Fail("--rotate " + o.rotateTo + ": not HOST:PORT"), 2;
  if (!o.turnCall.empty() && !rotator) return Fail("--turn needs --rotate HOST:PORT"), 2;
  const auto tolerance = Tolerance(o);
  if (!tolerance) return Fail("--tolerance " + o.tolerance + ": degrees from 0 to 180"), 2;
  station::SessionOptions so;
  if (!o.bearing.empty() && !(so.bearings = ReadBearings(o.bearing)))
    return Fail("--bearing " + o.bearing + ": FROM-TO, degrees clockwise (300-60)"), 2;
  if (o.newOnly && o.log.empty()) return Fail("--new needs --log FILE.adi: new against what was worked"), 2;
  if (!o.summary.empty())
    if (const auto refused = SummaryRefused(o)) return Fail(*refused), 2;

  // Every signal that ends the session is caught before the log is read,
  // so that none of them (nor SIGUSR1) ends it without its summary; and a
  // reader that goes away is an error to see, not a signal that kills.
  CatchStop();
  platform::CatchSummary(AskSummary);
  platform::IgnoreBrokenPipe();

  std::optional<station::LogFollower> log;
  if (!o.log.empty()) {
    log.emplace(o.log, o.satellite);
    if (const auto wrong = log->Start()) return Fail(Printable(*wrong));
    const station::Worked& w = *log->worked();
    std::fprintf(stderr, "morvane-cli: %s: %s QSO%s, %s square%s on %zu band%s\n", Printable(o.log).c_str(),
                 Thousands(w.qsos()).c_str(), w.qsos() == 1 ? "" : "s", Thousands(w.squares()).c_str(),
                 w.squares() == 1 ? "" : "s", w.bands(), w.bands() == 1 ? "" : "s");
  }
  station::Listener listener;
  if (!listener.Open(lo)) return Fail(listener.error());
  const bool wider = std::any_of(listener.joined().begin(), listener.joined().end(),
                                 [](const std::string& name) { return name != "lo"; });
  if (wider && o.from.empty())
    std::fprintf(stderr, "morvane-cli: joined %s beyond this machine; only this machine's programs are heard "
                 "(--from ADDRESS names others)\n", o.group.c_str());
  std::optional<station::Turner> turner;
  if (rotator)
    turner.emplace(*rotator, o.settle, o.timeout, *tolerance, [json = o.json](const station::Turner::Said& s) {
      const std::string detail = s.why + (s.from ? ", from " + Whole(*s.from) : "") +
                                 (s.again ? ", the rotator answers again" : "");
      if (json)
        std::fprintf(stderr, "{\"rotator\": %s, \"azimuth\": %s, \"detail\": %s}\n", JsonString(s.what).c_str(),
                     Whole(s.bearing).c_str(), JsonString(detail).c_str());
      else
        std::fprintf(stderr, "morvane-cli: %s %s%s\n", s.what.c_str(), Whole(s.bearing).c_str(),
                     detail.empty() ? "" : (" (" + Printable(detail) + ")").c_str());
    });
  std::optional<Alerts> alerts;
  if (o.alert || !o.watch.empty() || !o.exec.empty()) alerts.emplace(o.exec);

  so.my = o.my.empty() ? std::string() : ReadLocator(o.my).value_or("");
  so.home = context.homeBase;
  so.followed = o.id;
  so.cqOnly = o.cqOnly;
  so.newOnly = o.newOnly;
  so.minKm = o.minKm;
  so.minSnr = o.minSnr;
  so.turnCall = o.turnCall;
  so.watch = o.watch;
  so.countSatellite = o.satellite;
  station::Session session(so, [&o](const std::string& base, const std::string& target) {
    const PathResult r = ComputePath(base, target, o.longPath, o.ellipsoid, false);
    return station::Path{r.azimuth, r.distance};
  });
  std::shared_ptr<const station::Worked> worked;  // held while the session marks against it
  if (log) session.SetLog((worked = log->worked()).get());

  Output out(stdout);
  long malformed = 0, refused = 0;
  bool summaryFailed = false;
  int outputError = 0;
  std::map<std::pair<std::uint32_t, std::uint16_t>, std::set<std::pair<std::string, std::string>>> highlighted;
  std::size_t highlights = 0;
  const bool pipedOut = [] {
    const auto st = platform::StatusOf(1);
    return st && st->pipe;
  }();
  const auto sayTotals = [&] {
    summaryFailed = !WriteSummary(session.heard(), o) || summaryFailed;
    std::fprintf(stderr, "morvane-cli: %ld decodes, %ld with a locator, %ld malformed, %ld replayed (not shown), "
                 "%ld from other hosts (ignored), %u lost for want of room\n",
                 session.decodes, session.withLocator, malformed, session.replayed, refused, listener.dropped());
  };
  while (!stopAsked) {
    if (summaryAsked) {
      summaryAsked = 0;
      sayTotals();
    }
    if (alerts) alerts->Reap();
    if (log) {
      if (const std::string news = log->TakeNews(); !news.empty())
        std::fprintf(stderr, "morvane-cli: %s\n", Printable(news).c_str());
      if (auto now = log->worked(); now != worked) session.SetLog((worked = std::move(now)).get());
    }
    if (pipedOut && ReaderGone()) break;
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
    const station::Session::Result r = session.Take(*d);
    if (r.noBase) std::fprintf(stderr, "morvane-cli: no base locator yet: give --my, or save a home locator\n");
    if (r.turn && turner) turner->TurnTo(r.turn->bearing, r.turn->why);
    if (d->kind == station::Datagram::Kind::Close) highlighted.erase({datagram->sender, datagram->port});
    if (!r.line) continue;
    const station::DecodeLine& l = *r.line;
    char time[16];
    const unsigned seconds = l.milliseconds / 1000;
    std::snprintf(time, sizeof time, "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    const std::string azimuth = ShownResult(l.path.azimuth, o.ellipsoid),
                      distance = ShownResult(InUnit(l.path.distance, o), o.ellipsoid && !o.miles);
    const std::string_view unit = o.miles ? "mi" : "km";
    const std::string bandShown = !l.band.empty() ? l.band : l.frequency ? Shown(double(l.frequency) / 1e6) : "-";
    if (o.json) {
      out << "{\"time\": \"" << time << "\", \"band\": " << JsonString(bandShown)
          << ", \"frequency\": " << std::to_string(l.frequency) << ", \"mode\": " << JsonString(l.mode)
          << ", \"snr\": " << std::to_string(l.snr) << ", \"call\": " << JsonString(l.call) << ", \"locator\": \""
          << l.locator << "\", \"azimuth\": " << azimuth << ", \"distance\": " << distance << ", \"unit\": \"" << unit
          << "\"";
      if (l.mark) out << ", \"mark\": \"" << station::MarkName(*l.mark) << "\"";
      if (l.watched) out << ", \"watched\": true";
      out << "}";
    } else {
      out << time << '\t' << Printable(bandShown) << '\t' << Printable(l.mode) << '\t' << std::to_string(l.snr) << '\t'
          << Printable(l.call) << '\t' << l.locator << '\t' << azimuth << '\t' << distance << '\t' << unit;
      if (l.mark) out << '\t' << station::MarkName(*l.mark);
      if (l.watched) out << "\twatched";
    }
    out.EndLine();
    if (!out.Flush()) {  // at once: someone is waiting for it
      outputError = platform::WriteError();
      break;
    }
    if (o.highlight && r.highlight) {
      const bool newSquare = l.mark && l.mark->newSquare;
      const station::Colour colour = newSquare ? kNewSquareColour : l.watched ? kWatchedColour : kTurnColour;
      listener.Send(datagram->sender, datagram->port,
                    station::HighlightCallsign(l.id, l.call, colour, kTextColour, false));
      if (highlights < kMaxHighlights && highlighted[{datagram->sender, datagram->port}].insert({l.id, l.call}).second)
        ++highlights;
    }
    if (alerts && r.alert) {
      const std::string why = l.mark && l.mark->newSquare ? "New square " + l.locator.substr(0, 4) : "Heard";
      alerts->Raise(why + (l.band.empty() ? std::string() : " on " + l.band) + ": " + l.call + " " + l.locator + " " +
                        azimuth + "°, " + distance + " " + std::string(unit),
                    {{"TIME", time}, {"BAND", bandShown}, {"FREQUENCY", std::to_string(l.frequency)},
                     {"MODE", l.mode}, {"SNR", std::to_string(l.snr)}, {"CALL", l.call}, {"LOCATOR", l.locator},
                     {"AZIMUTH", azimuth}, {"DISTANCE", distance}, {"UNIT", std::string(unit)},
                     {"MARK", l.mark ? std::string(station::MarkName(*l.mark)) : std::string()},
                     {"WATCHED", l.watched ? "1" : "0"}});
    }
  }
  // The colours given are taken back: they meant something only while listening.
  for (const auto& [to, calls] : highlighted)
    for (const auto& [id, call] : calls)
      listener.Send(to.first, to.second, station::HighlightCallsign(id, call, std::nullopt, std::nullopt, false));
  turner.reset();
  if (alerts) alerts->Reap();  // a program that failed is said before the summary
  const bool outputFailed = out.failed() || !out.Flush();
  sayTotals();
  // A reader that went away (| head) ended the session as Ctrl-C would;
  // any other failure to write is an error.
  const bool gone = outputFailed && (outputError == EPIPE || (pipedOut && ReaderGone()));
  return summaryFailed || (outputFailed && !gone) ? 1 : 0;
}

}  // namespace morvane::cli
