// What the decode console knows besides each decode: the QSOs worked (from
// the log, and from the program's own QSO Logged messages), as a new
// square, a new call or worked on the decode's band, and what was heard in
// the session, band by band and square by square. Standard C++ over the
// core and logs/, tested alone.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "logs/adif_records.h"

namespace morvane::station {

// A decode against the QSOs worked on its band: its square may be new, its
// call worked, or both (a rover or portable in a square not yet worked).
struct Mark {
  bool newSquare = false, callWorked = false;
  bool operator==(const Mark&) const = default;
};
// "new square", "new square, call worked", "new call" or "worked".
std::string_view MarkName(Mark mark);

// The calls and 4-character squares worked, band by band.
class Worked {
 public:
  // Satellite QSOs (PROP_MODE SAT) are kept apart: they do not make a square
  // worked on the band unless counted.
  explicit Worked(bool countSatellite = false) : countSatellite_(countSatellite) {}
  // A QSO as an ADIF record gives it: band by BAND, else by FREQ (MHz); its
  // GRIDSQUARE and, for a QSO on a grid line or corner, each of VUCC_GRIDS.
  void Add(const adif::RecordReader::Fields& fields);
  void Add(const std::string& band, std::string_view call, std::string_view grids);
  bool HasCall(const std::string& band, std::string_view call) const;
  bool HasSquare(const std::string& band, std::string_view locator) const;
  void Clear();
  std::size_t qsos() const { return qsos_; }
  std::size_t squares() const;  // a square on each band it was worked on
  std::size_t bands() const;

 private:
  bool countSatellite_;
  std::map<std::string, std::set<std::string>> calls_, squares_;  // by band
  std::size_t qsos_ = 0;
};

// An ADIF log read once and then followed: what is appended is read; a log
// replaced, cut short or rewritten in place (a QSO inserted first, one
// deleted, a grid corrected at the same size) is read again whole.
class WorkedLog {
 public:
  WorkedLog(std::string path, bool countSatellite);
  WorkedLog(const WorkedLog&) = delete;  // its reader calls back into it
  WorkedLog& operator=(const WorkedLog&) = delete;
  // Reads what changed since the last call; false with error() set when
  // the file cannot be read or is not a plain file (a FIFO is not waited on).
  bool Update();
  const std::string& error() const { return error_; }
  const Worked& worked() const { return worked_; }
  // Not an ADIF log at all: empty, ADX (XML) or a file without one record.
  // Asked after the first Update.
  bool LooksLikeAdif() const { return records_ > 0 || header_; }
  const std::string& path() const { return path_; }
  // Counts the Updates that read anything: what was worked may have changed.
  std::uint64_t generation() const { return generation_; }
  // Counts the reads from the start (the first, and each after a rewrite).
  std::uint64_t wholeReads() const { return wholeReads_; }

 private:
  void Restart();
  std::string path_, error_;
  std::uint64_t offset_ = 0, device_ = 0, inode_ = 0, size_ = 0;
  std::int64_t modified_ = -1;  // ns
  std::uint64_t head_ = 0, tail_ = 0;  // checksums of the first and the last bytes read
  adif::RecordReader reader_;
  Worked worked_;
  std::size_t records_ = 0;
  bool header_ = false;  // an <EOH> seen in its first bytes
  std::uint64_t generation_ = 0, wholeReads_ = 0;
};

// A log followed on a thread of its own, every second, so that reading a
// large log again (a logger that rewrites it whole) never holds back a
// decode line: each change is published as a new copy of what was worked.
class LogFollower {
 public:
  LogFollower(std::string path, bool countSatellite);
  ~LogFollower();
  // Reads the log a first time, here, and then follows it. What is wrong
  // when it cannot be followed: not read, or not an ADIF log.
  std::optional<std::string> Start();
  LogFollower(const LogFollower&) = delete;
  LogFollower& operator=(const LogFollower&) = delete;
  std::shared_ptr<const Worked> worked() const;
  // What to say of the log since the last call: an error that appeared or
  // changed ("log.adi: No such file or directory"), its end ("log.adi: read
  // again"), or nothing. Each is said once, however long it lasts.
  std::string TakeNews();

 private:
  void Follow();
  WorkedLog log_;
  mutable std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  std::shared_ptr<const Worked> worked_;
  std::string error_, news_;
  std::thread thread_;
};

// Each square heard on each band: how often, the best SNR, and its farthest
// station.
class HeardSquares {
 public:
  void Add(const std::string& band, std::string_view call, std::string_view locator, int snr, double azimuth,
           double distance);
  struct Square {
    std::string band, square, farthestCall, farthestLocator;
    long decodes = 0;
    int bestSnr = 0;
    double azimuth = 0, distance = -1;
  };
  // Farthest first.
  std::vector<Square> Sorted() const;

 private:
  std::map<std::pair<std::string, std::string>, Square> squares_;
};

}  // namespace morvane::station
