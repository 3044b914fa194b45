// Azimuth and great-circle distance between two locators on a spherical
// Earth, each locator taken at the centre of its sub-square.
#pragma once

#include <string_view>

namespace morvane {

// Latitude phi positive north; longitude lambda positive WEST (the reverse
// of the grid's convention). Radians.
struct GeoRadians {
  double phi;
  double lambda;
};

// Only defined for a text that CheckLocator accepted.
GeoRadians LocatorToRadians(std::string_view locator);

// A position in degrees (north and east positive) as the computation takes
// it, with the same degree-to-radian step as LocatorToRadians.
GeoRadians DegreesToRadians(double latitude, double longitudeEast);

struct AzimuthDistance {
  double azimuth;     // whole degrees 0..359, clockwise from north
  double kilometres;  // whole kilometres
  double exactKilometres;  // before rounding, for sums such as the long path
  double exactAzimuth;     // before rounding, degrees in [0, 360)
};

// Base first, target second. Coincident centres give 0 km and azimuth 0,
// antipodal centres 20038 km and azimuth 0; the side of the azimuth follows
// the shorter way round, also across the 180 degree meridian.
AzimuthDistance ComputeAzimuthDistance(GeoRadians base, GeoRadians target);

// The same from one base to many targets (a log's own station): the sines
// and cosines of the base are worked out once. Each answer is
// ComputeAzimuthDistance's to the last bit: the same operations on the same
// values.
class AzimuthDistanceFrom {
 public:
  explicit AzimuthDistanceFrom(GeoRadians base);
  AzimuthDistance To(GeoRadians target) const;

 private:
  GeoRadians base_;
  double sinTheta1_, cosTheta1_, sinPhi1_, cosPhi1_;  // theta: the colatitude
};

// The long path: the rest of the same great circle, the other way round.
// Azimuth turned by 180 degrees, distance the circumference less the short
// path's exact distance, rounded once (whole kilometres, as the short one).
struct LongPathResult {
  double azimuth;
  double kilometres;
};
LongPathResult LongPath(const AzimuthDistance& shortPath);

// Whole kilometres to miles, truncated to two decimals.
double KmToMiles(double kilometres);

}  // namespace morvane
