#include "python/batch.h"

#include <GeographicLib/Geodesic.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <thread>
#include <vector>

#include "locator/locator.h"

namespace morvane::batch {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Runs work(begin, end) over [0, n) in even runs, one thread each.
template <typename Work>
void Split(std::size_t n, unsigned threads, Work work) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  // Below a few thousand elements a thread costs more than it saves.
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(1, n / 4096)));
  if (threads <= 1) return work(std::size_t(0), n);
  std::vector<std::thread> pool;
  const std::size_t run = (n + threads - 1) / threads;
  for (unsigned t = 1; t < threads; ++t) {
    const std::size_t begin = std::min(n, t * run), end = std::min(n, begin + run);
    pool.emplace_back([=] { work(begin, end); });
  }
  work(0, std::min(n, run));
  for (std::thread& t : pool) t.join();
}

std::uint32_t CharAt(const char* p, std::size_t charBytes) {
  if (charBytes == 1) return static_cast<unsigned char>(*p);
  std::uint32_t c;
  std::memcpy(&c, p, sizeof c);
  return c;
}

bool Blank(std::uint32_t c) { return c == ' ' || c == '\t' || c == 0; }

// One axis of a cell as an index at its own length's resolution: 18 fields,
// 180 squares, 4320 sub-squares, 43200 extended squares, 1036800 extended
// sub-squares.
constexpr int kDivisions[5] = {18, 10, 24, 10, 24};
int AxisIndex(const Cell& c, int axis) {
  int index = 0;
  for (int pair = 0; 2 * pair < c.length; ++pair) {
    const char ch = c.text[2 * pair + axis];
    index = index * kDivisions[pair] + (ch - (pair % 2 ? '0' : 'A'));
  }
  return index;
}

// The sines and cosines of every cell centre of lengths 2 to 8, per axis,
// worked out from the core's own radians once: a pair then needs no sine or
// cosine of its own. The 10-character cells are worked out as they come.
struct Trig {
  double angle, sine, cosine;
};
struct Tables {
  std::vector<Trig> phi[4], lambda[4];  // by length / 2 - 1
  Tables() {
    const int counts[4] = {18, 180, 4320, 43200};
    for (int l = 0; l < 4; ++l) {
      const int length = 2 * (l + 1);
      phi[l].resize(counts[l]);
      lambda[l].resize(counts[l]);
      for (int i = 0; i < counts[l]; ++i) {
        char text[10];
        // The index written out as characters, on both axes at once.
        for (int pair = length / 2 - 1, rest = i; pair >= 0; --pair) {
          const char first = pair % 2 ? '0' : 'A';
          text[2 * pair] = text[2 * pair + 1] = static_cast<char>(first + rest % kDivisions[pair]);
          rest /= kDivisions[pair];
        }
        const GeoRadians r = LocatorOfLengthToRadians(std::string_view(text, length));
        phi[l][i] = {r.phi, std::sin(r.phi), std::cos(r.phi)};
        lambda[l][i] = {r.lambda, std::sin(r.lambda), std::cos(r.lambda)};
      }
    }
  }
};
const Tables& TheTables() {
  static const Tables tables;
  return tables;
}

struct Point {
  Trig phi, lambda;
};
Point PointOf(const Cell& c) {
  if (c.length <= 8) {
    const Tables& t = TheTables();
    const int l = c.length / 2 - 1;
    return {t.phi[l][AxisIndex(c, 1)], t.lambda[l][AxisIndex(c, 0)]};
  }
  const GeoRadians r = LocatorOfLengthToRadians(std::string_view(c.text, c.length));
  return {{r.phi, std::sin(r.phi), std::cos(r.phi)}, {r.lambda, std::sin(r.lambda), std::cos(r.lambda)}};
}

// Where the fast formulas and the core's are both well conditioned, they
// agree to far better than 1e-9 (checked on millions of pairs by the
// tests); elsewhere, and near a rounding edge, the core answers.
constexpr double kMinSinC = 0.05;         // the arc, from 2.9 degrees to 177.1
constexpr double kMaxCosAzimuth = 0.9995;  // the azimuth, 1.8 degrees or more from north and south
constexpr double kMinCosPhi = 0.05;       // the base, 87.1 degrees or less from the equator
constexpr double kRoundingMargin = 1e-6;

double NearEdge(double v) { return std::fabs(v - std::floor(v) - 0.5); }  // 0 on a .5

// The unrounded pair by the stable formulas (atan2 of the arc's sine and
// cosine; the azimuth from its own sine and cosine), or false where the
// core must answer.
bool FastPath(const Point& a, const Point& b, double& azimuth, double& km) {
  // Longitudes are west-positive, as the core holds them.
  const double cosD = a.lambda.cosine * b.lambda.cosine + a.lambda.sine * b.lambda.sine;  // cos(l1 - l2)
  const double sinD = a.lambda.sine * b.lambda.cosine - a.lambda.cosine * b.lambda.sine;  // sin(l1 - l2)
  const double east = b.phi.cosine * sinD;  // sin(c) sin(azimuth)
  const double north = a.phi.cosine * b.phi.sine - a.phi.sine * b.phi.cosine * cosD;  // sin(c) cos(azimuth)
  const double cosC = a.phi.sine * b.phi.sine + a.phi.cosine * b.phi.cosine * cosD;
  const double sinC = std::sqrt(east * east + north * north);
  if (!(sinC >= kMinSinC) || std::fabs(north) > kMaxCosAzimuth * sinC || a.phi.cosine < kMinCosPhi) return false;
  const double c = std::atan2(sinC, cosC);
  km = c * kEarthCircumferenceKm / (2 * kPi);
  azimuth = std::atan2(east, north) * (180 / kPi);
  if (azimuth < 0) azimuth += 360;
  return true;
}

}  // namespace

Cell ReadCell(const Column& column, std::size_t i) {
  Cell cell{0, {}};
  const char* p = column.data + static_cast<std::ptrdiff_t>(i) * column.stride;
  std::size_t begin = 0, end = column.width;
  while (end > begin && Blank(CharAt(p + (end - 1) * column.charBytes, column.charBytes))) --end;
  while (begin < end && Blank(CharAt(p + begin * column.charBytes, column.charBytes))) ++begin;
  const std::size_t n = end - begin;
  if (!IsLocatorLength(n)) return cell;
  for (std::size_t k = 0; k < n; ++k) {
    std::uint32_t c = CharAt(p + (begin + k) * column.charBytes, column.charBytes);
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    if (c > 127) return cell;
    cell.text[k] = static_cast<char>(c);
  }
  if (CheckLocatorOfLength(std::string_view(cell.text, n))) cell.length = static_cast<int>(n);
  return cell;
}

void Valid(const Column& locators, std::size_t n, bool* out, unsigned threads) {
  Split(n, threads, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) out[i] = ReadCell(locators, i).length > 0;
  });
}

void Centres(const Column& locators, std::size_t n, double* latitude, double* longitude, unsigned threads) {
  Split(n, threads, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      const Cell c = ReadCell(locators, i);
      if (c.length == 0) {
        latitude[i] = longitude[i] = kNaN;
        continue;
      }
      const CellCentre centre = LocatorCentre(std::string_view(c.text, c.length));
      latitude[i] = centre.latitudeDegrees();
      longitude[i] = centre.longitudeDegrees();
    }
  });
}

void Encode(const double* latitude, std::ptrdiff_t latitudeStride, const double* longitude,
            std::ptrdiff_t longitudeStride, std::size_t n, int precision, std::uint32_t* out, unsigned threads) {
  const std::size_t length = static_cast<std::size_t>(precision);
  Split(n, threads, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      const auto at = [&](const double* p, std::ptrdiff_t stride) {
        double v;
        std::memcpy(&v, reinterpret_cast<const char*>(p) + static_cast<std::ptrdiff_t>(i) * stride, sizeof v);
        return v;
      };
      const auto y = FinestCell(at(latitude, latitudeStride), GridAxis::Latitude);
      const auto x = FinestCell(at(longitude, longitudeStride), GridAxis::Longitude);
      std::uint32_t* o = out + i * length;
      if (!y || !x) {
        std::fill(o, o + length, 0u);
        continue;
      }
      const std::string text = LocatorOfCell(*y, *x, length);
      std::copy(text.begin(), text.end(), o);
    }
  });
}

void CorePath(const Cell& base, const Cell& target, PathOptions o, double& azimuth, double& km) {
  const std::string_view b(base.text, base.length), t(target.text, target.length);
  if (o.ellipsoid) {
    const CellCentre p = LocatorCentre(b), q = LocatorCentre(t);
    double metres = 0, azi1 = 0, azi2 = 0;
    GeographicLib::Geodesic::WGS84().Inverse(p.latitudeDegrees(), p.longitudeDegrees(), q.latitudeDegrees(),
                                             q.longitudeDegrees(), metres, azi1, azi2);
    azimuth = azi1 < 0 ? azi1 + 360 : azi1;
    km = metres / 1000;
    if (o.rounded) {  // as morvane-cli --ellipsoid shows them: tenths
      azimuth = std::round(azimuth * 10) / 10;
      if (azimuth >= 360) azimuth -= 360;
      km = std::round(metres / 100) / 10;
    }
    azimuth += 0.0;
    return;
  }
  const AzimuthDistance a = ComputeAzimuthDistance(LocatorOfLengthToRadians(b), LocatorOfLengthToRadians(t));
  if (o.rounded) {
    azimuth = o.longPath ? std::fmod(a.azimuth + 180, 360) : a.azimuth;
    km = o.longPath ? RoundHalfUp(kEarthCircumferenceKm - a.exactKilometres) : a.kilometres;
  } else {
    azimuth = o.longPath ? std::fmod(a.exactAzimuth + 180, 360) : a.exactAzimuth;
    km = o.longPath ? kEarthCircumferenceKm - a.exactKilometres : a.exactKilometres;
  }
}

void Paths(const Column& base, const Column& target, std::size_t n, PathOptions o, double* azimuth, double* km,
           unsigned threads) {
  if (!o.ellipsoid) TheTables();  // built once, before the threads
  Split(n, threads, [&](std::size_t begin, std::size_t end) {
    // One station for many targets (a stride of 0) is read once.
    Cell b{0, {}};
    Point from{};
    for (std::size_t i = begin; i < end; ++i) {
      if (i == begin || base.stride != 0) {
        b = ReadCell(base, i);
        if (b.length > 0 && !o.ellipsoid) from = PointOf(b);
      }
      const Cell t = ReadCell(target, i);
      if (b.length == 0 || t.length == 0) {
        azimuth[i] = km[i] = kNaN;
        continue;
      }
      double az, d;
      if (!o.ellipsoid && FastPath(from, PointOf(t), az, d)) {
        if (o.longPath) {
          az = std::fmod(az + 180, 360);
          d = kEarthCircumferenceKm - d;
        }
        if (!o.rounded) {
          azimuth[i] = az;
          km[i] = d;
          continue;
        }
        // Rounded as the core rounds, unless within the error of an edge.
        if (NearEdge(az) > kRoundingMargin && NearEdge(d) > kRoundingMargin) {
          const double rounded = RoundHalfEven(az);
          azimuth[i] = rounded >= 360 ? 0.0 : rounded;
          km[i] = RoundHalfUp(d);
          continue;
        }
      }
      CorePath(b, t, o, azimuth[i], km[i]);
    }
  });
}

}  // namespace morvane::batch
