// The locator core over whole columns, for the Python module: locators read
// straight from numpy's fixed-width text (bytes or UCS-4), answers written
// into caller's arrays, no object per element, on several threads. Standard
// C++ over locator/, so that it can be tested and fuzzed without Python.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvane::batch {

// A column of fixed-width text: element i starts at data + i * stride (a
// stride of 0 repeats one element), and holds width characters of
// charBytes bytes each (1 for numpy 'S', 4 for 'U'), padded with NULs.
struct Column {
  const char* data;
  std::ptrdiff_t stride;
  std::size_t width;
  std::size_t charBytes;
};

// One locator as read: blanks and NULs trimmed, any case, 2, 4, 6, 8 or 10
// characters; length 0 when it is not a locator.
struct Cell {
  int length;
  char text[10];  // upper case
};
Cell ReadCell(const Column& column, std::size_t i);

// Threads: 0 for all processors. Every call splits [0, n) into even runs.
void Valid(const Column& locators, std::size_t n, bool* out, unsigned threads);
// The centre of each cell in degrees (north, east); NaN where invalid.
void Centres(const Column& locators, std::size_t n, double* latitude, double* longitude, unsigned threads);

// The exact cell of each position (the double's own value); precision 2 to
// 10. Writes precision UCS-4 characters per element into out (a numpy 'U'
// array), all NULs where the position is off the grid or not finite.
void Encode(const double* latitude, std::ptrdiff_t latitudeStride, const double* longitude,
            std::ptrdiff_t longitudeStride, std::size_t n, int precision, std::uint32_t* out, unsigned threads);

struct PathOptions {
  bool longPath = false;
  bool ellipsoid = false;  // WGS84, GeographicLib, as morvane-cli --ellipsoid
  bool rounded = false;    // as morvane-cli path shows them
};
// Azimuth (degrees clockwise from north) and distance (km) from each base to
// each target; NaN where either is not a locator. Unrounded, within 1e-9 of
// the core's own values; rounded, exactly the core's.
void Paths(const Column& base, const Column& target, std::size_t n, PathOptions options, double* azimuth,
           double* km, unsigned threads);

// One pair as the core computes it, for the fast path's fallback and for
// tests: the unrounded azimuth and kilometres, or the shown ones.
void CorePath(const Cell& base, const Cell& target, PathOptions options, double& azimuth, double& km);

}  // namespace morvane::batch
