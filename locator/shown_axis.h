// One axis of a locator's centre in whole degrees, minutes and seconds,
// measured from the origin of its hemisphere. Shared by the shown form and the
// radians so that both take exactly the same steps. Internal to the core.
#pragma once

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
// in minutes (60 or 120). Worked in whole quarter minutes, which is exact:
// every sub-square centre is a multiple of a quarter minute, so the seconds
// are 0, 15, 30 or 45.
inline WholeDms ShownAxis(int corner, double centre, bool farHemisphere,
                          int edgeDegrees, double spanMinutes) {
  int degrees = corner;
  int quarters = static_cast<int>(centre * 4);
  if (farHemisphere) {
    degrees = -corner - edgeDegrees;
    quarters = static_cast<int>(spanMinutes * 4) - quarters;
  }
  // Longitude minutes can reach 117.5 (a square is 120 minutes wide).
  const int quartersPerDegree = static_cast<int>(kMinutesPerDegree) * 4;
  degrees += quarters / quartersPerDegree;
  quarters %= quartersPerDegree;
  return {degrees, quarters / 4, quarters % 4 * 15};
}

// Fields "A".."I" lie south of the equator / west of Greenwich; a corner at
// exactly 0 degrees is North or East.
inline bool SouthOf(char latitudeField) { return latitudeField < 'J'; }
inline bool WestOf(char longitudeField) { return longitudeField < 'J'; }

}  // namespace morvane::detail
