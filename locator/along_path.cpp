#include "locator/along_path.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>

namespace morvane {
namespace {

// Full precision: the core's short kPi would put a pole 3e-14 degrees
// beyond 90.
constexpr double kRadians = std::numbers::pi / 180;

}  // namespace

Degrees Destination(Degrees from, double azimuth, double arc) {
  const double phi = from.latitude * kRadians, theta = azimuth * kRadians;
  // The end as a vector in the frame whose x axis is the start's meridian:
  // cos(arc) along the start, sin(arc) along the heading.
  const double x = std::cos(arc) * std::cos(phi) - std::sin(arc) * std::cos(theta) * std::sin(phi);
  const double y = std::sin(arc) * std::sin(theta);
  const double z = std::cos(arc) * std::sin(phi) + std::sin(arc) * std::cos(theta) * std::cos(phi);
  double longitude = from.longitude + std::atan2(y, x) / kRadians;
  if (longitude > 180) longitude -= 360;
  if (longitude <= -180) longitude += 360;
  return {std::clamp(std::atan2(z, std::hypot(x, y)) / kRadians, -90.0, 90.0), longitude};
}

Degrees PathVertex(Degrees from, double azimuth, double arc) {
  // Height above the equator's plane along the path: A cos(s) + B sin(s),
  // whose extremes are at s0 and s0 + pi; each is a candidate when the path
  // reaches it, and so are both ends.
  const double phi = from.latitude * kRadians;
  const double a = std::sin(phi), b = std::cos(phi) * std::cos(azimuth * kRadians);
  const auto height = [&](double s) { return std::fabs(a * std::cos(s) + b * std::sin(s)); };
  double best = 0;
  double s0 = std::atan2(b, a);
  if (s0 < 0) s0 += std::numbers::pi;
  for (const double s : {arc, s0, s0 + std::numbers::pi})
    if (s <= arc && height(s) > height(best)) best = s;
  return Destination(from, azimuth, best);
}

}  // namespace morvane
