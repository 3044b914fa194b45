#include "locator/sun.h"

#include <algorithm>
#include <cmath>

namespace morvane {
namespace {

// Full precision here: this is astronomy, not the grid's long-standing
// arithmetic (see constants.h).
constexpr double kRadians = 3.14159265358979323846 / 180;
constexpr double kUnixEpochJulianDay = 2440587.5;  // 1970-01-01 00:00 UTC
constexpr double kJ2000JulianDay = 2451545.0;      // 2000-01-01 12:00 TT
constexpr double kDaysPerJulianCentury = 36525;

double Sin(double degrees) { return std::sin(degrees * kRadians); }
double Cos(double degrees) { return std::cos(degrees * kRadians); }

}  // namespace

double SolarElevation(double latitude, double longitude, double unixSeconds) {
  const double days = unixSeconds / 86400;
  const double t = (days + kUnixEpochJulianDay - kJ2000JulianDay) / kDaysPerJulianCentury;
  const double meanLongitude = std::fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360);
  const double meanAnomaly = 357.52911 + t * (35999.05029 - 0.0001537 * t);
  const double eccentricity = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
  const double centre = Sin(meanAnomaly) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
                        Sin(2 * meanAnomaly) * (0.019993 - 0.000101 * t) + Sin(3 * meanAnomaly) * 0.000289;
  const double node = 125.04 - 1934.136 * t;  // the Moon's ascending node: nutation
  const double apparentLongitude = meanLongitude + centre - 0.00569 - 0.00478 * Sin(node);
  const double meanObliquity = 23 + (26 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60) / 60;
  const double obliquity = meanObliquity + 0.00256 * Cos(node);
  const double declination = std::asin(Sin(obliquity) * Sin(apparentLongitude)) / kRadians;
  const double y = std::pow(std::tan(obliquity / 2 * kRadians), 2);
  const double equationOfTime =  // minutes
      4 / kRadians *
      (y * Sin(2 * meanLongitude) - 2 * eccentricity * Sin(meanAnomaly) +
       4 * eccentricity * y * Sin(meanAnomaly) * Cos(2 * meanLongitude) - 0.5 * y * y * Sin(4 * meanLongitude) -
       1.25 * eccentricity * eccentricity * Sin(2 * meanAnomaly));
  const double minutesOfDay = (days - std::floor(days)) * 1440;
  const double hourAngle = (minutesOfDay + equationOfTime) / 4 + longitude - 180;
  const double sinElevation = Sin(latitude) * Sin(declination) + Cos(latitude) * Cos(declination) * Cos(hourAngle);
  return std::asin(std::clamp(sinElevation, -1.0, 1.0)) / kRadians;
}

}  // namespace morvane
