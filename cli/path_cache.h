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
  // Eight bytes at a time: locators are at most ten characters, so two
  // words each, and a multiply per word rather than per byte.
  static std::uint64_t Word(std::string_view s, std::size_t at) {
    std::uint64_t w = 0;
    if (at < s.size()) std::memcpy(&w, s.data() + at, std::min<std::size_t>(8, s.size() - at));
    return w;
  }
  static std::uint64_t Hash(std::string_view a, std::string_view b) {
    constexpr std::uint64_t kOdd = 0x9e3779b97f4a7c15u;
    std::uint64_t h = (a.size() << 8 | b.size()) * kOdd;
    for (const std::uint64_t w : {Word(a, 0), Word(a, 8), Word(b, 0), Word(b, 8)}) h = (h ^ w) * kOdd;
    return h ^ h >> 29;
  }
  std::array<Entry, 4096> entries_;
};

}  // namespace morvane::cli
