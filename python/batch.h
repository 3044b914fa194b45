// The locator core over whole columns, for the Python module: locators read
// straight from numpy's fixed-width text (bytes or UCS-4), answers written
// into caller's arrays, no object per element, on several threads. Standard
// C++ over locator/, so that it can be tested and fuzzed without Python.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvane::batch {

// One element's text: length characters of charBytes bytes each (1, 2 or
// 4), trailing NULs allowed.
struct Text {
  const char* data;
  std::size_t length;
  std::size_t charBytes;
};
// Reads element i of a column of the caller's own objects (Python str or
// bytes): {nullptr, 0, 1} for one that holds no text. Called from several
// threads at once; it must not allocate or change anything.
using TextAt = Text (*)(const void* context, std::size_t i);

// A column of text. Fixed width: element i starts at data + i * stride (a
// stride of 0 repeats one element), and holds width characters of
// charBytes bytes each (1 for numpy 'S', 4 for 'U'), padded with NULs.
// Objects: at(context, i) gives element i, whatever its length; nothing is
// copied, so memory does not grow with the longest value.
struct Column {
  const char* data;
  std::ptrdiff_t stride;
  std::size_t width;
  std::size_t charBytes;
  TextAt at = nullptr;
  const void* context = nullptr;
  Text Element(std::size_t i) const {
    if (at) return at(context, i);
    return {data + static_cast<std::ptrdiff_t>(i) * stride, width, charBytes};
  }
};

// One locator as read: blanks and NULs trimmed, any case, 2, 4, 6, 8 or 10
// characters; length 0 when it is not a locator (a longer text is none).
struct Cell {
  int length;
  char text[10];  // upper case
};
Cell ReadCell(const Column& column, std::size_t i);

// Threads: 0 for all processors. Every call splits [0, n) into even runs.
void Valid(const Column& locators, std::size_t n, bool* out, unsigned threads);
// Each locator's length (2 to 10), 0 where it is not one.
void Lengths(const Column& locators, std::size_t n, std::int8_t* out, unsigned threads);
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
  bool miles = false;      // as morvane-cli --miles: rounded, the shown km in miles truncated to hundredths
};
// Azimuth (degrees clockwise from north) and distance (km) from each base to
// each target; NaN where either is not a locator; 0 and 0 for two locators
// of one centre. Unrounded, within 1e-9 km and 1e-7 degrees of the exact
// value on the core's sphere (or of GeographicLib's geodesic); rounded,
// exactly the core's.
void Paths(const Column& base, const Column& target, std::size_t n, PathOptions options, double* azimuth,
           double* km, unsigned threads);

// One pair as the core computes it, for the fast path's fallback and for
// tests: the unrounded azimuth and kilometres, or the shown ones. Unrounded
// spherical answers come from formulas well conditioned at every distance,
// where the window's own lose digits (azimuths near north and south, cells
// metres apart).
void CorePath(const Cell& base, const Cell& target, PathOptions options, double& azimuth, double& km);

// Points along each path (the short one, or the long one), on the core's
// sphere: for each row, count points at fractions (0 the base, 1 the
// target) of the way, written row after row into latitude and longitude
// (n * count each); NaN where either end is not a locator.
void PathPoints(const Column& base, const Column& target, std::size_t n, bool longPath, const double* fractions,
                std::size_t count, double* latitude, double* longitude, unsigned threads);

// The point of each path farthest from the equator (see PathVertex).
void Vertices(const Column& base, const Column& target, std::size_t n, bool longPath, double* latitude,
              double* longitude, unsigned threads);

// The nearest and farthest the two cells' points can be (km, or statute
// miles of kKmPerMile), on the core's sphere; for the long path, the
// circumference less the farthest and the nearest.
void DistanceBounds(const Column& base, const Column& target, std::size_t n, PathOptions options, double* nearest,
                    double* farthest, unsigned threads);

// The Sun's elevation in degrees at each cell's centre at each time
// (seconds since 1970 UTC; a stride of 0 repeats one time); NaN where the
// locator or the time is missing.
void SunElevations(const Column& locators, const double* seconds, std::ptrdiff_t secondsStride, std::size_t n,
                   double* elevation, unsigned threads);

}  // namespace morvane::batch
