#include "locator/typed_position.h"

namespace morvane {
namespace {

double Value(TypedField f, TypedAxis lat, TypedAxis lon) {
  switch (f) {
    case TypedField::LatDegrees: return lat.degrees;
    case TypedField::LatMinutes: return lat.minutes;
    case TypedField::LatSeconds: return lat.seconds;
    case TypedField::LonDegrees: return lon.degrees;
    case TypedField::LonMinutes: return lon.minutes;
    case TypedField::LonSeconds: return lon.seconds;
  }
  return 0;
}

}  // namespace

std::optional<Refusal> CheckRanges(TypedAxis latitude, TypedAxis longitude) {
  for (const RangeRule& rule : kRangeRules)
    if (Breaks(rule, Value(rule.field, latitude, longitude))) return Refusal{rule.field, rule.message};
  return std::nullopt;
}

std::optional<Refusal> CheckInGrid(TypedAxis latitude, bool south, TypedAxis longitude, bool west) {
  const auto inGrid = [&](TypedAxis lat, TypedAxis lon) {
    return EncodeLocator(lat, south, lon, west).has_value();
  };
  constexpr TypedAxis kOrigin{0, 0, 0};
  if (!inGrid(latitude, kOrigin)) {
    const TypedField f = !inGrid({latitude.degrees, 0, 0}, kOrigin)                  ? TypedField::LatDegrees
                         : !inGrid({latitude.degrees, latitude.minutes, 0}, kOrigin) ? TypedField::LatMinutes
                                                                                     : TypedField::LatSeconds;
    return Refusal{f, kLatitudeOffGrid};
  }
  if (!inGrid(latitude, longitude)) {
    const TypedField f = !inGrid(latitude, {longitude.degrees, 0, 0})                    ? TypedField::LonDegrees
                         : !inGrid(latitude, {longitude.degrees, longitude.minutes, 0}) ? TypedField::LonMinutes
                                                                                        : TypedField::LonSeconds;
    return Refusal{f, kLongitudeOffGrid};
  }
  return std::nullopt;
}

}  // namespace morvane
