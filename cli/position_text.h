// One axis of a position as people write it, in one argument: decimal
// degrees with a sign ("48.8566", "-2.3522"), a hemisphere letter before or
// after ("N48.8566", "2.3522W", "s33.9"), degrees, minutes and seconds with
// the usual marks ("48°51'24\"N", "48:51:24N", "48d51m24s", "48 51 24"),
// and degrees with decimal minutes ("N48 51.400"). Numbers always use ".".
// Standard C++ only, apart from the command line so it can be fuzzed alone.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "locator/encode.h"
#include "locator/exact_cell.h"
#include "logs/ascii.h"

namespace morvane::cli {

// Blanks and tabs trimmed from both ends.
std::string_view TrimBlanks(std::string_view s);
using logs::SameLetters;
using logs::Upper;
using logs::UpperCase;
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

}  // namespace morvane::cli
