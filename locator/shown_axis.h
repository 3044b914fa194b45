// One axis of a locator's centre in whole degrees, minutes and seconds,
// measured from the origin of its hemisphere. Shared by the shown form and the
// radians so that both take exactly the same steps. Internal to the core.
#pragma once

#include <cmath>

#include "locator/constants.h"

namespace morvane::detail {

struct WholeDms {
  int degrees;
  int minutes;
  int seconds;
};

// corner and centre are the decoded corner degrees and centre minutes. For
// the southern or western hemisphere the centre is counted from the square's
// far edge: edgeDegrees is the square's size (1 or 2), spanMinutes the same
// in minutes (60 or 120).
inline WholeDms ShownAxis(int corner, double centre, bool farHemisphere,
                          int edgeDegrees, double spanMinutes) {
  int degrees = corner;
  double minutes = centre;
  if (farHemisphere) {
    degrees = -corner - edgeDegrees;
    minutes = spanMinutes - centre;
  }
  // Longitude minutes can reach 117.5 (a square is 120 minutes wide).
  if (minutes >= kMinutesPerDegree) {
    const double whole = std::floor(minutes / kMinutesPerDegree);
    degrees += static_cast<int>(whole);
    minutes -= kMinutesPerDegree * whole;
  }
  // The fractional minutes times 60, in the fixed order of operations;
  // exactly 15, 30 or 45 for every accepted locator.
  const double seconds = (minutes - std::floor(minutes)) * 100 / 1000 * 600;
  return {degrees, static_cast<int>(std::floor(minutes)),
          static_cast<int>(std::floor(seconds))};
}

// Fields "A".."I" lie south of the equator / west of Greenwich; a corner at
// exactly 0 degrees is North or East.
inline bool SouthOf(char latitudeField) { return latitudeField < 'J'; }
inline bool WestOf(char longitudeField) { return longitudeField < 'J'; }

}  // namespace morvane::detail
