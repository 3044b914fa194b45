// A listening session of the decode console, apart from its sockets and
// its printing: the program instances heard (their grid, band and mode),
// the base each decode is measured from, its mark against the QSOs worked,
// the filters, what turns the antenna, what is highlighted or alerted, and
// the squares heard. Standard C++ over the core and logs/, so that a whole
// evening can be played through it without a process.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "station/console.h"
#include "station/decodes.h"

namespace morvane::station {

// The path from the base to a station, in kilometres, as the options ask
// (short or long path, sphere or ellipsoid).
struct Path {
  double azimuth = 0, distance = 0;
};
using PathFunction = std::function<Path(const std::string& base, const std::string& target)>;

struct SessionOptions {
  std::string my;    // the base given, or empty: the instance's own grid, then home
  std::string home;  // the saved home locator, or empty
  std::string followed;  // the instance whose picks turn the antenna; empty: the first heard
  // Filters.
  bool cqOnly = false, newOnly = false;
  double minKm = -1;        // on the distance of the path shown (the long one with --long)
  std::optional<int> minSnr;
  std::optional<std::pair<double, double>> bearings;  // FROM-TO, clockwise
  // Stations that turn the antenna (--turn) or raise an alert (--watch).
  std::string turnCall;
  std::vector<std::string> watch;
  bool countSatellite = false;  // the program's satellite QSOs count as worked
};

// The program instances remembered at once: the newest heard; one that
// closes is forgotten at once.
inline constexpr std::size_t kMaxInstances = 32;

struct DecodeLine {
  std::string id;                // the program instance
  std::uint32_t milliseconds = 0;  // since midnight, UTC
  std::string band;              // empty when not known yet
  std::uint64_t frequency = 0;   // the dial's (WSPR: the signal's), 0 when not known
  std::string mode;
  int snr = 0;
  std::string call, locator;
  Path path;
  std::optional<Mark> mark;  // against the QSOs worked, once the band is known
  bool watched = false;      // a call --watch names
};

struct TurnAsked {
  double bearing;
  std::string why;
};

class Session {
 public:
  Session(SessionOptions options, PathFunction path);

  // The log the marks are made against, or none; it must outlive the session.
  void SetLog(const Worked* log) { log_ = log; }

  struct Result {
    std::optional<DecodeLine> line;  // a decode to show: it passed the filters
    std::optional<TurnAsked> turn;
    bool alert = false;          // a new square on the band, or a watched call
    bool highlight = false;      // the line's call is worth colouring in the program
    bool noBase = false;         // a decode with a locator, and no base to measure from (said once)
    bool logged = false;         // a QSO the program logged, now counted as worked
  };
  Result Take(const Datagram& d);

  const HeardSquares& heard() const { return heard_; }
  std::size_t instances() const { return instances_.size(); }
  // Counts for the closing line.
  long decodes = 0, withLocator = 0, replayed = 0;

 private:
  struct Instance {
    std::string grid, band, mode;
    std::uint64_t frequency = 0;
    std::uint64_t heard = 0;  // when last heard, in datagrams taken
  };
  std::optional<std::string> BaseOf(const std::string& id) const;
  Instance& InstanceOf(const std::string& id);
  std::optional<Mark> MarkOf(const std::string& call, const std::string& locator, const std::string& band) const;
  bool Shows(const DecodeLine& line, bool cq) const;
  Result TakeStatus(const Datagram& d);
  Result TakeDecode(const Datagram& d);

  SessionOptions o_;
  PathFunction path_;
  const Worked* log_ = nullptr;
  Worked logged_;  // what the program logged in this session
  std::map<std::string, Instance> instances_;
  std::uint64_t taken_ = 0;
  std::string followed_;
  std::string picked_;  // the followed instance's DX call and grid, as last heard
  bool txEnabled_ = false;
  bool warnedNoBase_ = false;
  HeardSquares heard_;
};

}  // namespace morvane::station
