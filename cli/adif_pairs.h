// Which pair of grids an ADIF record asks to be computed, and the answer as
// written into the log.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "logs/adif.h"
#include "cli/commands.h"
#include "cli/path_cache.h"

namespace morvane::cli {

// A grid and its extension as one upper-case locator of 4, 6, 8 or 10
// characters, built in place: this runs for every record.
class GridText {
 public:
  bool Read(const std::optional<adif::Field>& grid, const std::optional<adif::Field>& ext);
  void Set(std::string_view locator);
  std::string_view view() const { return {text_, size_}; }

 private:
  bool Add(std::string_view s);
  char text_[10];
  std::size_t size_ = 0;
};

// What a record asks for. With Pair, station and other hold the grids.
struct Wanted {
  enum Kind { Kept, NoGrid, BadGrid, NoOwnGrid, Pair } kind;
  bool azimuth;  // ANT_AZ to be written too
};

class PairReader {
 public:
  PairReader(const Options& options, std::string_view ownGrid);
  Wanted Read(const adif::Record& r);
  std::string_view station() const { return station_->view(); }
  std::string_view other() const { return other_.view(); }

 private:
  const Options& o_;
  GridText other_, recordGrid_, ownGrid_;
  const GridText* station_ = &ownGrid_;
};

// The answer for a pair as written into the log, from a cache of recent
// pairs or worked out.
class Answers {
 public:
  explicit Answers(bool ellipsoid);
  const PathCache::Shown& Get(std::string_view station, std::string_view other);

 private:
  bool ellipsoid_;
  PathComputer path_;
  std::unique_ptr<PathCache> cache_;  // 196 KiB, so not on the stack
};

}  // namespace morvane::cli
