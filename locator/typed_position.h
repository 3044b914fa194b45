// What a typed position must satisfy before it is encoded, with the words
// of each refusal. The window's first page and morvane-cli check positions
// with these, in this order, so both refuse the same positions alike.
#pragma once

#include <optional>
#include <string_view>

#include "locator/encode.h"

namespace morvane {

// The six typed numbers, as the first page's boxes hold them.
enum class TypedField { LatDegrees, LatMinutes, LatSeconds, LonDegrees, LonMinutes, LonSeconds };

struct RangeRule {
  TypedField field;
  double limit;
  bool refuseAtLimit;  // minutes and seconds: 60 is refused; degrees only above
  std::string_view message;  // UTF-8
};

// In the order they are checked: degrees latitude before longitude; minutes
// and seconds longitude first.
inline constexpr RangeRule kRangeRules[] = {
    {TypedField::LatDegrees, 89, false, "Introduced Latitude higher than 89\u00b0"},
    {TypedField::LonDegrees, 179, false, "Introduced Longitude higher than 179\u00b0"},
    {TypedField::LonMinutes, 60, true, "Introduced Minutes for longitude higher than 60'"},
    {TypedField::LatMinutes, 60, true, "Introduced Minutes for latitude higher than 60'"},
    {TypedField::LonSeconds, 60, true, "Introduced seconds for longitude higher than 60'"},
    {TypedField::LatSeconds, 60, true, "Introduced seconds for latitude higher than 60'"},
};

inline bool Breaks(const RangeRule& rule, double value) {
  return rule.refuseAtLimit ? value >= rule.limit : value > rule.limit;
}

struct Refusal {
  TypedField field;  // the number to retype
  std::string_view message;
};

// The first rule a position breaks, if any.
std::optional<Refusal> CheckRanges(TypedAxis latitude, TypedAxis longitude);

inline constexpr std::string_view kLatitudeOffGrid =
    "Introduced Latitude outside the locator grid (90\u00b0 South to 90\u00b0 North)";
inline constexpr std::string_view kLongitudeOffGrid =
    "Introduced Longitude outside the locator grid (180\u00b0 West to 180\u00b0 East)";

// Negative degrees, and minutes and seconds that add up past the pole or the
// 180 degree meridian, pass the ranges but lie outside the grid. Latitude is
// tested alone first so the message can name the axis; the field named is
// the one whose value took the position over the edge.
std::optional<Refusal> CheckInGrid(TypedAxis latitude, bool south, TypedAxis longitude, bool west);

}  // namespace morvane
