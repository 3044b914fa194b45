#include "cli/adif_pairs.h"

#include "cli/position_text.h"
#include "locator/precision.h"

namespace morvane::cli {

bool GridText::Read(const std::optional<adif::Field>& grid, const std::optional<adif::Field>& ext) {
  size_ = 0;
  if (!grid || !Add(TrimBlanks(grid->data)) || (ext && !Add(TrimBlanks(ext->data)))) return false;
  return size_ >= 4 && CheckLocatorOfLength(view());
}

void GridText::Set(std::string_view locator) {
  size_ = 0;
  Add(locator);
}

bool GridText::Add(std::string_view s) {
  if (s.size() > sizeof text_ - size_) return false;
  for (char c : s) text_[size_++] = Upper(c);
  return true;
}

PairReader::PairReader(const Options& options, std::string_view ownGrid) : o_(options) { ownGrid_.Set(ownGrid); }

Wanted PairReader::Read(const adif::Record& r) {
  const bool azimuth = o_.azimuth && (!r.antAz || o_.overwrite);
  if (r.distance && !o_.overwrite && !azimuth) return {Wanted::Kept, false};
  if (!r.gridsquare) return {Wanted::NoGrid, false};
  if (!other_.Read(r.gridsquare, r.gridsquareExt)) return {Wanted::BadGrid, false};
  station_ = recordGrid_.Read(r.myGridsquare, r.myGridsquareExt) ? &recordGrid_ : &ownGrid_;
  if (station_->view().empty()) return {Wanted::NoOwnGrid, false};
  return {Wanted::Pair, azimuth};
}

Answers::Answers(bool ellipsoid)
    : ellipsoid_(ellipsoid), path_(false, ellipsoid, false), cache_(std::make_unique<PathCache>()) {}

const PathCache::Shown& Answers::Get(std::string_view station, std::string_view other) {
  // ADIF's DISTANCE is in kilometres.
  return cache_->Get(station, other, [&](std::string_view a, std::string_view b) {
    const PathResult r = path_(a, b);
    return PathCache::Shown{std::string_view(ShownResult(r.distance, ellipsoid_)),
                            std::string_view(ShownResult(r.azimuth, ellipsoid_))};
  });
}

}  // namespace morvane::cli
