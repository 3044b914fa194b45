// The rounding rules of the results, shared by the great-circle code and its
// tests.
#pragma once

#include <cmath>

namespace morvane {

// Nearest whole number, an exact half going to the even neighbour (44.5 -> 44,
// 45.5 -> 46), as the azimuth is rounded. nearbyint rounds this way in the
// default rounding mode, which the program never changes; adding +0.0 turns
// a -0 (from a value a hair below zero) into +0.
inline double RoundHalfEven(double v) { return std::nearbyint(v) + 0.0; }

// Nearest whole number, an exact half going up, as the kilometres are rounded.
inline double RoundHalfUp(double v) { return std::floor(v + 0.5); }

}  // namespace morvane
