// The exact cell of a position: the locator of the cell that holds the
// position's exact value, a position on a grid line belonging to the cell
// north of a latitude line and east of a longitude line, at every length.
// Beside EncodeLocator, which keeps its step-by-step floating-point
// arithmetic (where a value on an edge can land in the cell below), this is
// computed in whole numbers: from the typed decimal digits, or from a
// double's exact binary value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvane {

// The finest cells, those of a 10-character locator, counted from the grid's
// south-west corner: 1.25 arc seconds of longitude (2880 to the degree) and
// 0.625 of latitude (5760 to the degree). Both axes have 1,036,800 of them.
inline constexpr std::int64_t kFinestCellsPerLongitudeDegree = 2880;
inline constexpr std::int64_t kFinestCellsPerLatitudeDegree = 5760;
inline constexpr std::int64_t kFinestCellsPerAxis = 1036800;

enum class GridAxis { Latitude, Longitude };

// One axis as typed in decimal: the digits of degrees, minutes and seconds
// ("48", "30", "2.5"; empty for none), never a sign. far: South or West.
struct DecimalAxis {
  std::string_view degrees, minutes, seconds;
};

// Decimals read at most (trailing zeros aside): past this a value could lie
// nearer an edge than the whole numbers used here can tell.
inline constexpr std::size_t kMaxExactDecimals = 28;

// The index of the finest cell holding the axis, or nullopt when the value
// lies off the grid or a number is not plain digits with at most one '.' and
// kMaxExactDecimals decimals.
std::optional<std::int64_t> FinestCell(DecimalAxis axis, bool far, GridAxis which);
// The same for a double's exact value in degrees (north and east positive);
// nullopt off the grid or for a value that is not finite.
std::optional<std::int64_t> FinestCell(double degrees, GridAxis which);

// The locator of 2, 4, 6, 8 or 10 characters (length) of a pair of finest
// cells; only defined for indices in [0, kFinestCellsPerAxis).
std::string LocatorOfCell(std::int64_t latitudeCell, std::int64_t longitudeCell, std::size_t length);

// Both axes at once; nullopt when either is off the grid or length is not
// 2, 4, 6, 8 or 10.
std::optional<std::string> EncodeExactLocator(DecimalAxis latitude, bool south, DecimalAxis longitude, bool west,
                                              std::size_t length);
std::optional<std::string> EncodeExactLocator(double latitude, double longitude, std::size_t length);

}  // namespace morvane
