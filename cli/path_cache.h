// The shown answers of recent grid pairs. Real logs repeat their pairs (one
// station grid for most records, many of the other grids), so a small
// direct-mapped table saves most of the trigonometry; its size is fixed, so
// memory stays flat whatever the log.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::cli {

class PathCache {
 public:
  struct Shown {
    std::string distance, azimuth;
  };
  // The answer for the pair, computed by compute(station, other) on a miss.
  template <typename Compute>
  const Shown& Get(std::string_view station, std::string_view other, Compute compute) {
    Entry& e = entries_[Hash(station, other) % entries_.size()];
    if (!e.used || e.station != station || e.other != other) {
      e.station.assign(station);
      e.other.assign(other);
      e.shown = compute(station, other);
      e.used = true;
    }
    return e.shown;
  }

 private:
  struct Entry {
    std::string station, other;  // locators of 10 characters at most: no heap
    Shown shown;
    bool used = false;
  };
  static std::uint64_t Hash(std::string_view a, std::string_view b) {
    std::uint64_t h = 1469598103934665603u;  // FNV-1a
    for (char c : a) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211u;
    h = (h ^ '|') * 1099511628211u;
    for (char c : b) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211u;
    return h;
  }
  std::array<Entry, 1024> entries_;
};

}  // namespace morvane::cli
