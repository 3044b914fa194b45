// What the decode console knows besides each decode: the log's QSOs (new
// square, new call or worked, on the decode's band) and what was heard in
// the session, square by square. Standard C++ over the core and logs/,
// tested alone.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "logs/adif_records.h"

namespace morvane::station {

// The calls and 4-character squares worked, band by band, from an ADIF log
// read once and then followed as it grows (or read again if it is replaced).
class WorkedLog {
 public:
  explicit WorkedLog(std::string path);
  // Reads what was added since the last call; false with error() set when
  // the file cannot be read.
  bool Update();
  const std::string& error() const { return error_; }

  enum class Mark { NewSquare, NewCall, Worked };
  Mark Of(std::string_view call, std::string_view locator, const std::string& band) const;
  std::size_t qsos() const { return qsos_; }

  // A worked QSO, as the log gives it: band by BAND, else by FREQ (MHz).
  void Add(const adif::RecordReader::Fields& fields);

 private:
  std::string path_, error_;
  std::uint64_t offset_ = 0, device_ = 0, inode_ = 0;
  adif::RecordReader reader_;
  std::map<std::string, std::set<std::string>> calls_, squares_;  // by band
  std::size_t qsos_ = 0;
};
std::string_view MarkName(WorkedLog::Mark mark);

// Each square heard: how often, the best SNR, and its farthest station.
class HeardSquares {
 public:
  void Add(std::string_view call, std::string_view locator, int snr, double azimuth, double distance);
  struct Square {
    std::string square, farthestCall, farthestLocator;
    long decodes = 0;
    int bestSnr = 0;
    double azimuth = 0, distance = -1;
  };
  // Farthest first.
  std::vector<Square> Sorted() const;

 private:
  std::map<std::string, Square> squares_;
};

}  // namespace morvane::station
