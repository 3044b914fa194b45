#include "locator/great_circle.h"

#include <cmath>

#include "locator/constants.h"
#include "locator/grid.h"
#include "locator/rounding.h"
#include "locator/shown_axis.h"

namespace morvane {
namespace {

// Positions closer than this (radians, about 0.006 m on the ground) are the
// same point. Distinct sub-square centres are at least 1e-7 rad apart, and
// two decodings of one centre agree to the last bit, so the margin only
// absorbs the rounding of the degree-to-radian step.
constexpr double kSamePointRadians = 1e-9;

double AxisDegrees(detail::WholeDms a) {
  return (a.degrees + a.minutes / kMinutesPerDegree) +
         a.seconds / kSecondsPerDegree;
}

double ToRadians(double degrees) { return degrees * kPi / 180; }

bool SamePoint(GeoRadians a, GeoRadians b) {
  return std::fabs(a.phi - b.phi) < kSamePointRadians &&
         std::fabs(a.lambda - b.lambda) < kSamePointRadians;
}

bool Antipodal(GeoRadians a, GeoRadians b) {
  return std::fabs(a.phi + b.phi) < kSamePointRadians &&
         std::fabs(std::fabs(a.lambda - b.lambda) - kPi) < kSamePointRadians;
}

// Whether the target lies east of the base, the shorter way round: the
// west-positive difference target - base is negative, unless it exceeds half
// a turn, in which case the short way crosses the 180 degree meridian and the
// side flips. Written without branches; the side is unpredictable.
bool TargetEastOfBase(double baseLambda, double targetLambda) {
  const double d = targetLambda - baseLambda;
  return (d < 0) != (std::fabs(d) > kPi);
}

}  // namespace

GeoRadians LocatorToRadians(std::string_view locator) {
  // The same steps as the shown form of the locator-to-position page.
  const DecodedLocator d = DecodeLocator(locator);
  const bool south = detail::SouthOf(locator[1]);
  const bool west = detail::WestOf(locator[0]);
  double lat = AxisDegrees(detail::ShownAxis(
      d.latitude.degrees, d.latitude.centreMinutes, south, 1, 60));
  if (south) lat = -lat;
  double lon = AxisDegrees(detail::ShownAxis(
      d.longitude.degrees, d.longitude.centreMinutes, west, 2, 120));
  if (!west) lon = -lon;  // west positive
  return {ToRadians(lat), ToRadians(lon)};
}

GeoRadians DegreesToRadians(double latitude, double longitudeEast) {
  return {ToRadians(latitude), ToRadians(-longitudeEast)};
}

AzimuthDistance ComputeAzimuthDistance(GeoRadians base, GeoRadians target) {
  return AzimuthDistanceFrom(base).To(target);
}

AzimuthDistanceFrom::AzimuthDistanceFrom(GeoRadians base)
    : base_(base),
      sinTheta1_(std::sin(kPi / 2 - base.phi)),
      cosTheta1_(std::cos(kPi / 2 - base.phi)),
      sinPhi1_(std::sin(base.phi)),
      cosPhi1_(std::cos(base.phi)) {}

AzimuthDistance AzimuthDistanceFrom::To(GeoRadians target) const {
  // Degenerate pairs: the formulas divide by zero there.
  if (SamePoint(base_, target)) return {0.0, 0.0, 0.0, 0.0};
  if (Antipodal(base_, target))
    return {0.0, RoundHalfUp(kEarthCircumferenceKm / 2), kEarthCircumferenceKm / 2, 0.0};

  const double lambda1 = base_.lambda;
  const double phi2 = target.phi, lambda2 = target.lambda;

  // Distance: spherical law of cosines on the colatitudes.
  const double theta2 = kPi / 2 - phi2;
  const double g = ((std::cos(lambda1 - lambda2) * std::sin(theta2)) * sinTheta1_) + (cosTheta1_ * std::cos(theta2));
  const double gg = 1 - g * g;
  // arccos(g) from the arc tangent; g cannot reach +-1 for distinct,
  // non-antipodal centres, but take the limit rather than a NaN if it did.
  const double c = gg > 0 ? kPi / 2 - std::atan(g / std::sqrt(gg))
                          : (g > 0 ? 0.0 : kPi);
  const double exact = ((c * kEarthCircumferenceKm) / 2) / kPi;
  const double kilometres = RoundHalfUp(exact);

  // Azimuth: the angle at the base between north and the great circle.
  const double x = ((std::sin(phi2) - std::cos(c) * sinPhi1_) / std::sin(c)) / cosPhi1_;
  double y = 1 - x * x;
  if (y < 0) y = -y;  // x a hair beyond +-1 on one meridian
  double angle;
  if (!std::isfinite(x)) {
    angle = 0.0;
  } else if (y == 0) {
    angle = x > 0 ? 0.0 : kPi;  // limits of the formula at x = +1 and -1
  } else {
    angle = kPi / 2 - std::atan(x / std::sqrt(y));
  }
  const double degrees = angle * 180 / kPi;
  const double rounded = RoundHalfEven(degrees);

  // East: the angle as it is; west, or on the same meridian: the other side.
  const bool east = TargetEastOfBase(lambda1, lambda2);
  double azimuth = east ? rounded : 360 - rounded;
  if (azimuth >= 360) azimuth = 0;
  double exactAzimuth = east ? degrees : 360 - degrees;
  if (exactAzimuth >= 360) exactAzimuth -= 360;
  return {azimuth, kilometres, exact, exactAzimuth};
}

LongPathResult LongPath(const AzimuthDistance& shortPath) {
  return {std::fmod(shortPath.azimuth + 180, 360), RoundHalfUp(kEarthCircumferenceKm - shortPath.exactKilometres)};
}

double KmToMiles(double kilometres) {
  return std::floor((kilometres / kKmPerMile) * 100) / 100;
}

}  // namespace morvane
