#include "locator/cell_bounds.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "locator/constants.h"
#include "locator/precision.h"

namespace morvane {
namespace {

constexpr double kRadians = kPi / 180;

// Half a cell's height in 1/10000 arc second, by length / 2 - 1; its width is
// twice that. Every cell edge is a whole number of these units.
constexpr long long kHalfHeightUnits[5] = {5LL * 36000000, 36000000 / 2, 750000, 75000, 3125};

// The gap in degrees (0 to 180) between two ranges of longitude, the short
// way round the globe; 0 when they touch or overlap.
double LongitudeGap(const CellBox& a, const CellBox& b) {
  const double wa = a.east - a.west, wb = b.east - b.west;
  const double d = std::fmod(b.west - a.west + 720, 360);  // b's west edge, east of a's
  if (d <= wa || d + wb >= 360) return 0;
  return std::min(d - wa, 360 - d - wb);
}

// The central angle between latitudes phi1, phi2 (radians) g apart in
// longitude: the haversine form, well conditioned from 0 to pi.
double Arc(double phi1, double phi2, double g) {
  const double s = std::sin((phi2 - phi1) / 2), t = std::sin(g / 2);
  const double h = std::clamp(s * s + std::cos(phi1) * std::cos(phi2) * t * t, 0.0, 1.0);
  return 2 * std::atan2(std::sqrt(h), std::sqrt(1 - h));
}

// The latitude on a meridian g from phi's that comes nearest to it:
// where that meridian's great circle meets the perpendicular through phi.
double Foot(double phi, double g) { return std::atan2(std::sin(phi), std::cos(phi) * std::cos(g)); }

// The nearest two points of latitude bands [s1, n1] and [s2, n2] (radians)
// can come when their meridians are g apart at the least. For fixed
// latitudes the arc grows with the longitude difference, so the least one
// is taken; over the two latitudes the arc has one stationary point, both
// on the equator, so the smallest value is there or on an edge, where it is
// at the foot of the perpendicular or at a corner.
double NearestArc(double s1, double n1, double s2, double n2, double g) {
  if (g == 0) return std::max({0.0, s2 - n1, s1 - n2});
  double best = (s1 <= 0 && n1 >= 0 && s2 <= 0 && n2 >= 0) ? g : kPi;
  for (const double phi1 : {s1, n1})
    for (const double phi2 : {s2, n2, std::clamp(Foot(phi1, g), s2, n2)}) best = std::min(best, Arc(phi1, phi2, g));
  for (const double phi2 : {s2, n2}) best = std::min(best, Arc(std::clamp(Foot(phi2, g), s1, n1), phi2, g));
  return best;
}

double NearestArc(const CellBox& a, const CellBox& b) {
  return NearestArc(a.south * kRadians, a.north * kRadians, b.south * kRadians, b.north * kRadians,
                    LongitudeGap(a, b) * kRadians);
}

}  // namespace

CellBox LocatorBox(std::string_view locator) {
  const CellCentre c = LocatorCentre(locator);
  const long long half = kHalfHeightUnits[locator.size() / 2 - 1];
  const double unit = double(CellCentre::kUnitsPerDegree);
  return {double(c.latitudeUnits - half) / unit, double(c.latitudeUnits + half) / unit,
          double(c.longitudeUnits - 2 * half) / unit, double(c.longitudeUnits + 2 * half) / unit};
}

DistanceRange CellDistanceRange(const CellBox& a, const CellBox& b) {
  // The farthest points of a and b: pi less the nearest of a's antipodes to b.
  const CellBox antipodes{-a.north, -a.south, a.west + 180, a.east + 180};
  const double radius = kEarthCircumferenceKm / (2 * kPi);
  return {NearestArc(a, b) * radius, (kPi - NearestArc(antipodes, b)) * radius};
}

}  // namespace morvane
