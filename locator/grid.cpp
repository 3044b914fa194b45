#include "locator/grid.h"

#include "locator/shown_axis.h"

namespace morvane {
namespace {

struct Range {
  char low;
  char high;
};

// Allowed characters of positions 1..6, in the order they are tested.
constexpr Range kPositionRanges[6] = {
    {'A', 'R'}, {'A', 'R'}, {'0', '9'}, {'0', '9'}, {'A', 'X'}, {'A', 'X'},
};

int LetterIndex(char c) { return static_cast<unsigned char>(c) - 'A'; }
int DigitIndex(char c) { return static_cast<unsigned char>(c) - '0'; }

DmsAxis Shown(std::string_view hemisphere, detail::WholeDms w) {
  return {hemisphere, w.degrees, w.minutes, w.seconds};
}

}  // namespace

bool CheckLocator(std::string_view text) {
  for (std::size_t i = 0; i < 6; ++i) {
    if (i >= text.size()) return false;  // a missing character fails every range
    const auto code = static_cast<unsigned char>(text[i]);
    if (code < static_cast<unsigned char>(kPositionRanges[i].low) ||
        code > static_cast<unsigned char>(kPositionRanges[i].high))
      return false;
  }
  return true;
}

DecodedLocator DecodeLocator(std::string_view locator) {
  const int lonField = LetterIndex(locator[0]);
  const int latField = LetterIndex(locator[1]);
  const int lonSquare = DigitIndex(locator[2]);
  const int latSquare = DigitIndex(locator[3]);
  const int lonSub = LetterIndex(locator[4]);
  const int latSub = LetterIndex(locator[5]);

  DecodedLocator d{};
  d.latitude.degrees = 10 * latField + latSquare - 90;
  d.latitude.centreMinutes =
      kSubSquareLatitudeMinutes * latSub + kSubSquareLatitudeCentre;
  d.longitude.degrees = 20 * lonField + 2 * lonSquare - 180;
  d.longitude.centreMinutes =
      kSubSquareLongitudeMinutes * lonSub + kSubSquareLongitudeCentre;
  return d;
}

DmsPosition LocatorToDms(std::string_view locator) {
  const DecodedLocator d = DecodeLocator(locator);
  const bool south = detail::SouthOf(locator[1]);
  const bool west = detail::WestOf(locator[0]);
  DmsPosition p{};
  p.latitude = Shown(south ? "South" : "North",
                     detail::ShownAxis(d.latitude.degrees, d.latitude.centreMinutes,
                                       south, 1, 60));
  p.longitude = Shown(west ? "West" : "East",
                      detail::ShownAxis(d.longitude.degrees, d.longitude.centreMinutes,
                                        west, 2, 120));
  return p;
}

}  // namespace morvane
