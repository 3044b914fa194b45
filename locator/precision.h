// Locators of other lengths than six: 2 (a field, 20 x 10 degrees), 4 (a
// square, 2 x 1 degrees), 8 (a digit pair splitting the sub-square 10 x 10:
// 30 x 15 seconds) and 10 (a letter pair A-X splitting that 24 x 24). A
// locator of any of these lengths stands for the centre of its cell. The
// six-character functions and their results are not changed by these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "locator/encode.h"
#include "locator/great_circle.h"
#include "locator/grid.h"

namespace morvane {

// Lengths a locator may have.
inline constexpr bool IsLocatorLength(std::size_t n) {
  return n == 2 || n == 4 || n == 6 || n == 8 || n == 10;
}

// The locator of the given length for a typed position. Its first six
// characters are always what EncodeLocator gives, and shorter ones are its
// prefixes. nullopt as for EncodeLocator, or for a length not allowed.
std::optional<std::string> EncodeLocatorOfLength(TypedAxis latitude, bool south,
                                                 TypedAxis longitude, bool west,
                                                 std::size_t length);

// Accepts exactly 2, 4, 6, 8 or 10 characters, upper-cased already: field
// letters A-R, square digits, sub-square letters A-X, extended-square digits,
// extended sub-square letters A-X. Unlike CheckLocator, nothing is ignored.
bool CheckLocatorOfLength(std::string_view text);

// The centre of a locator's cell, to the ten-thousandth of an arc second,
// which every centre is exactly. Latitude positive north, longitude positive
// east. Only defined for a text that CheckLocatorOfLength accepted.
struct CellCentre {
  std::int64_t latitudeUnits;   // 1/10000 arc second
  std::int64_t longitudeUnits;
  static constexpr std::int64_t kUnitsPerSecond = 10000;
  static constexpr std::int64_t kUnitsPerDegree = 3600 * kUnitsPerSecond;
  double latitudeDegrees() const { return double(latitudeUnits) / double(kUnitsPerDegree); }
  double longitudeDegrees() const { return double(longitudeUnits) / double(kUnitsPerDegree); }
};
CellCentre LocatorCentre(std::string_view locator);

// The centre as the great-circle computation takes it. For six characters
// this is LocatorToRadians, so results match the window's to the last bit.
GeoRadians LocatorOfLengthToRadians(std::string_view locator);

// The centre as the second page shows it: hemisphere, whole degrees and
// minutes, seconds. Six characters give exactly LocatorToDms; the others
// their exact centre, seconds to the ten-thousandth.
struct CentreAxis {
  std::string_view hemisphere;  // "North", "South", "East" or "West"
  long long degrees, minutes;
  double seconds;
};
struct ShownCentrePosition {
  CentreAxis latitude, longitude;
  CellCentre centre;  // the same centre, for decimal degrees
};
ShownCentrePosition ShownCentre(std::string_view locator);

}  // namespace morvane
