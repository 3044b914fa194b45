// Locator syntax and decoding: which texts are locators, and where the centre
// of a locator's sub-square lies.
#pragma once

#include <string_view>

namespace morvane {

// Accepts a text whose first six characters are field, field, digit, digit,
// sub-square, sub-square ("A".."R", "0".."9", "A".."X"). The caller has
// upper-cased it already; characters after the sixth are ignored. Codes are
// compared as bytes, so anything outside ASCII (an accented capital, a UTF-8
// sequence) is refused.
bool CheckLocator(std::string_view text);

// One axis of a decoded locator: the whole degrees of the south-west corner
// of the square, and the minutes from that corner to the sub-square centre.
struct AxisCorner {
  int degrees;
  double centreMinutes;
};
struct DecodedLocator {
  AxisCorner latitude;
  AxisCorner longitude;
};
// Only defined for a text that CheckLocator accepted.
DecodedLocator DecodeLocator(std::string_view locator);

// The centre as shown to the user: hemisphere word and whole units.
struct DmsAxis {
  std::string_view hemisphere;  // "North"/"South" or "East"/"West"
  int degrees;
  int minutes;
  int seconds;
};
struct DmsPosition {
  DmsAxis latitude;
  DmsAxis longitude;
};
// Only defined for a text that CheckLocator accepted.
DmsPosition LocatorToDms(std::string_view locator);

}  // namespace morvane
