// Typed position to six-character locator.
#pragma once

#include <optional>
#include <string>

namespace morvane {

// Degrees, minutes and seconds as typed; fractions and negative values are
// carried through unchanged.
struct TypedAxis {
  double degrees;
  double minutes;
  double seconds;
};

// The locator of the cell holding the position, computed step by step with
// a floor at every level and no tolerance (so a whole-degree boundary may
// land in the last sub-square of the cell below it). Returns nullopt for a
// position outside the grid (latitude not in [90 S, 90 N), longitude not in
// [180 W, 180 E)) and for any input that is not finite.
std::optional<std::string> EncodeLocator(TypedAxis latitude, bool south,
                                         TypedAxis longitude, bool west);

}  // namespace morvane
