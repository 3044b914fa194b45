// The shown answers of recent grid pairs. Real logs repeat their pairs (one
// station grid for most records, many of the other grids), so a small
// direct-mapped table saves most of the trigonometry; its size is fixed
// (4096 entries of 48 bytes), so memory stays flat whatever the log.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace morvane::cli {

// Text of at most 11 bytes held in place: locators of up to 10 characters,
// a distance or an azimuth as shown.
class ShortText {
 public:
  ShortText() = default;
  ShortText(std::string_view s) : size_(static_cast<std::uint8_t>(std::min(s.size(), sizeof text_))) {
    std::memcpy(text_, s.data(), size_);
  }
  std::string_view view() const { return {text_, size_}; }
  bool operator==(std::string_view s) const { return view() == s; }

 private:
  char text_[11];
  std::uint8_t size_ = 0;
};

class PathCache {
 public:
  struct Shown {
    ShortText distance, azimuth;
  };
  // The answer for the pair, computed by compute(station, other) on a miss.
  template <typename Compute>
  const Shown& Get(std::string_view station, std::string_view other, Compute compute) {
    Entry& e = entries_[Hash(station, other) % entries_.size()];
    if (!(e.station == station) || !(e.other == other) || e.station.view().empty()) {
      e.station = station;
      e.other = other;
      e.shown = compute(station, other);
    }
    return e.shown;
  }

 private:
  struct Entry {
    ShortText station, other;  // empty: unused
    Shown shown;
  };
  static std::uint64_t Hash(std::string_view a, std::string_view b) {
    std::uint64_t h = 1469598103934665603u;  // FNV-1a
    for (char c : a) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211u;
    h = (h ^ '|') * 1099511628211u;
    for (char c : b) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211u;
    return h;
  }
  std::array<Entry, 4096> entries_;
};

}  // namespace morvane::cli
