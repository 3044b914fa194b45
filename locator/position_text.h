// A position as people write it. One axis in one piece of text: decimal
// degrees with a sign ("48.8566", "-2.3522"), a hemisphere letter before or
// after ("N48.8566", "2.3522W", "s33.9"), degrees, minutes and seconds with
// the usual marks ("48°51'24\"N", "48:51:24N", "48d51m24s", "48 51 24"),
// and degrees with decimal minutes ("N48 51.400"). A whole position is two
// such axes, split at a tab, a comma or blanks. Numbers always use ".".
// Read the same way by the command line and the web edition's "Position".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "locator/ascii.h"
#include "locator/encode.h"
#include "locator/exact_cell.h"
#include "locator/precision.h"

namespace morvane {

// Blanks and tabs trimmed from both ends.
std::string_view TrimBlanks(std::string_view s);

// A locator as people type it, trimmed and upper-cased: 2 to 10
// characters. nullopt when it is not one.
inline std::optional<std::string> ReadLocator(std::string_view text) {
  std::string upper = UpperCase(TrimBlanks(text));
  if (!CheckLocatorOfLength(upper)) return std::nullopt;
  return upper;
}
// N, S, E or W in either case.
bool IsHemisphere(char c);

enum class Axis { Latitude, Longitude };

struct ParsedAxis {
  TypedAxis typed;  // degrees, minutes, seconds as they stand, never negative
  DecimalAxis decimal;  // the same as typed digits: views into the text parsed
  bool far;         // South or West: a letter S or W, or a minus sign
  bool degreesOnly;  // one number, degrees: checked against the grid alone
};

// The axis, or why it cannot be read (a message that names the axis). Only
// the form is checked here; ranges (minutes of 60 or more among them) and the
// grid are checked as on the first page (CheckRanges, CheckInGrid).
std::variant<ParsedAxis, std::string> ParseAxis(std::string_view text, Axis axis);

// A line's words: split at tabs if it has one, else at commas, else at runs
// of blanks; each word trimmed. words is reused, to spare allocations.
void SplitWords(std::string_view line, std::vector<std::string_view>& words);

// A position read whole and placed in its exact cell.
struct ReadPositionResult {
  std::string latitudeText, longitudeText;  // each axis as written
  struct Digits {
    std::string degrees, minutes, seconds;  // as typed, "" when not given
    bool far;                               // South or West
  } latitude, longitude;
  std::int64_t latitudeCell, longitudeCell;  // FinestCell of each axis
};

// Two words (an axis each), or an even number of words whose halves carry
// their hemisphere letters ("N48 51.400 E2 21.132"). The ranges are the
// first page's, except that one number of degrees is checked against the
// grid alone (179.5 East is Fiji). A message naming the fault otherwise.
std::variant<ReadPositionResult, std::string> ReadPosition(const std::vector<std::string_view>& words);

}  // namespace morvane
