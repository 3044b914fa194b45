// The Python module's columns on any bytes: the first byte sets the width of
// fixed-width text (one, two or four bytes a character), the rest are rows of a
// base and a target column. Every row is answered, valid alike by every
// call, and the rounded paths are the core's own.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "python/batch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane::batch;
  if (size < 1) return 0;
  // One, two or four bytes a character: numpy's 'S' and 'U', and the forms of Python's own str.
  const std::size_t charBytes = std::size_t(1) << std::min(2, data[0] >> 6), width = 1 + data[0] % 12,
                    item = width * charBytes;
  const std::size_t n = (size - 1) / (2 * item);
  if (n == 0) return 0;
  const char* rows = reinterpret_cast<const char*>(data + 1);
  const Column base{rows, static_cast<std::ptrdiff_t>(2 * item), width, charBytes};
  const Column target{rows + item, static_cast<std::ptrdiff_t>(2 * item), width, charBytes};
  std::vector<double> lat(n), lon(n), azimuth(n), km(n);
  std::vector<char> valid(n);
  Valid(base, n, reinterpret_cast<bool*>(valid.data()), 1);
  Centres(base, n, lat.data(), lon.data(), 1);
  for (bool rounded : {false, true}) {
    Paths(base, target, n, {false, false, rounded}, azimuth.data(), km.data(), 1);
    for (std::size_t i = 0; i < n; ++i) {
      const Cell b = ReadCell(base, i), t = ReadCell(target, i);
      if ((b.length > 0) != bool(valid[i]) || std::isnan(lat[i]) == bool(valid[i])) std::abort();
      if (std::isnan(km[i]) != (b.length == 0 || t.length == 0)) std::abort();
      if (!rounded || std::isnan(km[i])) continue;
      double coreAzimuth, coreKm;
      CorePath(b, t, {false, false, true}, coreAzimuth, coreKm);
      if (coreAzimuth != azimuth[i] || coreKm != km[i]) std::abort();
    }
  }
  // The rest of the path: answered where the distance is, inside the grid's
  // latitudes, and the distance between its cells' bounds.
  Paths(base, target, n, {}, azimuth.data(), km.data(), 1);
  std::vector<double> nearest(n), farthest(n), vertexLat(n), vertexLon(n), sun(n);
  const double fractions[2] = {0.5, 1};
  std::vector<double> pointLat(2 * n), pointLon(2 * n);
  DistanceBounds(base, target, n, {}, nearest.data(), farthest.data(), 1);
  Vertices(base, target, n, data[0] & 1, vertexLat.data(), vertexLon.data(), 1);
  PathPoints(base, target, n, data[0] & 2, fractions, 2, pointLat.data(), pointLon.data(), 1);
  const double when = (static_cast<double>(data[0]) - 128) * 1e7;
  SunElevations(base, &when, 0, n, sun.data(), 1);
  for (std::size_t i = 0; i < n; ++i) {
    if (std::isnan(km[i])) {
      if (!std::isnan(nearest[i]) || !std::isnan(vertexLat[i]) || !std::isnan(pointLat[2 * i])) std::abort();
      continue;
    }
    if (!(nearest[i] <= km[i] + 1e-6 && km[i] <= farthest[i] + 1e-6)) std::abort();
    for (const double lat : {vertexLat[i], pointLat[2 * i], pointLat[2 * i + 1]})
      if (!(std::fabs(lat) <= 90)) std::abort();
    if (!(std::fabs(sun[i]) <= 90)) std::abort();
  }
  return 0;
}
