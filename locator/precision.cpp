#include "locator/precision.h"

#include <algorithm>
#include <cmath>

#include "locator/encode_steps.h"

namespace morvane {
namespace {

// Cell sizes in 1/10000 arc second, per character pair: field, square,
// sub-square, extended square, extended sub-square.
constexpr std::int64_t kLatitudeCell[5] = {10 * CellCentre::kUnitsPerDegree,
                                           CellCentre::kUnitsPerDegree,
                                           150 * CellCentre::kUnitsPerSecond,
                                           15 * CellCentre::kUnitsPerSecond,
                                           15 * CellCentre::kUnitsPerSecond / 24};
constexpr std::int64_t kLongitudeCell[5] = {20 * CellCentre::kUnitsPerDegree,
                                            2 * CellCentre::kUnitsPerDegree,
                                            300 * CellCentre::kUnitsPerSecond,
                                            30 * CellCentre::kUnitsPerSecond,
                                            30 * CellCentre::kUnitsPerSecond / 24};
constexpr char kFirst[5] = {'A', '0', 'A', '0', 'A'};
constexpr char kLast[5] = {'R', '9', 'X', '9', 'X'};
constexpr int kDivisions[5] = {18, 10, 24, 10, 24};

bool InRange(char c, int pair) {
  return static_cast<unsigned char>(c) >= static_cast<unsigned char>(kFirst[pair]) &&
         static_cast<unsigned char>(c) <= static_cast<unsigned char>(kLast[pair]);
}

// The next pair's indices from the fractions left in a cell, taking the
// floor as the six-character steps do, kept below the boundary.
int NextIndex(double& fraction, int divisions) {
  const double scaled = fraction * divisions;
  double index = std::floor(scaled);
  if (index > divisions - 1) index = divisions - 1;
  fraction = scaled - index;
  return static_cast<int>(index);
}

}  // namespace

std::optional<std::string> EncodeLocatorOfLength(TypedAxis latitude, bool south,
                                                 TypedAxis longitude, bool west,
                                                 std::size_t length) {
  if (!IsLocatorLength(length)) return std::nullopt;
  const auto steps = detail::EncodeSteps<true>(latitude, south, longitude, west);
  if (!steps) return std::nullopt;
  std::string out(6, ' ');
  detail::WriteSixCharacters(*steps, out.data());
  out.resize(std::min(length, out.size()));
  // Longer ones go on from what is left of the sub-square.
  double lon = steps->longitude.rest;
  double lat = steps->latitude.rest;
  for (int pair = 3; out.size() < length; ++pair) {
    out += static_cast<char>(kFirst[pair] + NextIndex(lon, kDivisions[pair]));
    out += static_cast<char>(kFirst[pair] + NextIndex(lat, kDivisions[pair]));
  }
  return out;
}

bool CheckLocatorOfLength(std::string_view text) {
  if (!IsLocatorLength(text.size())) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!InRange(text[i], static_cast<int>(i / 2))) return false;
  return true;
}

CellCentre LocatorCentre(std::string_view locator) {
  std::int64_t lat = -90 * CellCentre::kUnitsPerDegree;
  std::int64_t lon = -180 * CellCentre::kUnitsPerDegree;
  const std::size_t pairs = locator.size() / 2;
  for (std::size_t pair = 0; pair < pairs; ++pair) {
    lon += (locator[2 * pair] - kFirst[pair]) * kLongitudeCell[pair];
    lat += (locator[2 * pair + 1] - kFirst[pair]) * kLatitudeCell[pair];
  }
  return {lat + kLatitudeCell[pairs - 1] / 2, lon + kLongitudeCell[pairs - 1] / 2};
}

GeoRadians LocatorOfLengthToRadians(std::string_view locator) {
  if (locator.size() == 6) return LocatorToRadians(locator);
  const CellCentre c = LocatorCentre(locator);
  return DegreesToRadians(c.latitudeDegrees(), c.longitudeDegrees());
}

namespace {

CentreAxis FromUnits(std::int64_t units, const char* positive, const char* negative) {
  const std::int64_t a = units < 0 ? -units : units;
  const std::int64_t perMinute = 60 * CellCentre::kUnitsPerSecond;
  return {units < 0 ? negative : positive, a / CellCentre::kUnitsPerDegree, (a % CellCentre::kUnitsPerDegree) / perMinute,
          double(a % perMinute) / double(CellCentre::kUnitsPerSecond)};
}

}  // namespace

ShownCentrePosition ShownCentre(std::string_view locator) {
  const CellCentre c = LocatorCentre(locator);
  if (locator.size() == 6) {
    const DmsPosition p = LocatorToDms(locator);
    const auto axis = [](const DmsAxis& a) {
      return CentreAxis{a.hemisphere, a.degrees, a.minutes, double(a.seconds)};
    };
    return {axis(p.latitude), axis(p.longitude), c};
  }
  return {FromUnits(c.latitudeUnits, "North", "South"), FromUnits(c.longitudeUnits, "East", "West"), c};
}

}  // namespace morvane
