#include "python/batch.h"

#include <GeographicLib/Geodesic.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "locator/along_path.h"
#include "locator/cell_bounds.h"
#include "locator/locator.h"
#include "locator/sun.h"

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
  if (charBytes == 2) {
    std::uint16_t c;
    std::memcpy(&c, p, sizeof c);
    return c;
  }
  std::uint32_t c;
  std::memcpy(&c, p, sizeof c);
  return c;
}

bool Blank(std::uint32_t c) { return c == ' ' || c == '\t' || c == 0; }

// One axis of a cell as an index at its own length's resolution: 18 fields,
// 180 squares, 4320 sub-squares, 43200 extended squares, 1036800 extended
// sub-squares.
constexpr int kDivisions[5] = {18, 10, 24, 10, 24};
constexpr char kFirst[5] = {'A', '0', 'A', '0', 'A'};  // each pair's first character
int AxisIndex(const Cell& c, int axis) {
  int index = 0;
  for (int pair = 0; 2 * pair < c.length; ++pair) index = index * kDivisions[pair] + (c.text[2 * pair + axis] - kFirst[pair]);
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
          text[2 * pair] = text[2 * pair + 1] = static_cast<char>(kFirst[pair] + rest % kDivisions[pair]);
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

// The common case read in one pass: no leading blank, 2 to 8 characters,
// then nothing or NULs and blanks, in any of the forms a column holds (one,
// two or four bytes a character). The cell's indices come out as the
// characters are checked (the same ranges as CheckLocatorOfLength: A-R,
// 0-9, A-X, 0-9, any case); anything else is left to ReadCell. Returns
// false then.
struct Quick {
  const Trig* phi;
  const Trig* lambda;
};
// Character k of text whose characters are Char, read whatever the text's
// alignment (a numpy array may start anywhere in its buffer).
template <typename Char>
[[gnu::always_inline]] inline std::uint32_t CharOf(const char* text, std::size_t k) {
  Char c;
  std::memcpy(&c, text + k * sizeof(Char), sizeof c);
  return c;
}
template <typename Char>
[[gnu::always_inline]] inline bool QuickText(const char* p, std::size_t length, Quick& q) {
  std::size_t n = 0;
  while (n < length && n < 9 && CharOf<Char>(p, n) > ' ') ++n;
  if (n < 2 || n > 8 || (n & 1)) return false;
  // The padding after it, mostly NULs: eight bytes at a time while they are.
  std::size_t k = n;
  constexpr std::size_t kPerWord = sizeof(std::uint64_t) / sizeof(Char);
  for (std::uint64_t word; length - k >= kPerWord; k += kPerWord) {
    std::memcpy(&word, p + k * sizeof(Char), sizeof word);
    if (word != 0) break;
  }
  for (; k < length; ++k)
    if (!Blank(CharOf<Char>(p, k))) return false;
  unsigned index[2] = {0, 0};
  for (std::size_t pair = 0; 2 * pair < n; ++pair) {
    for (int axis = 0; axis < 2; ++axis) {
      std::uint32_t c = CharOf<Char>(p, 2 * pair + axis);
      if (pair % 2 == 0) c &= ~0x20u;  // letters: upper case ('0'-'9' are in odd pairs only)
      const std::uint32_t v = c - static_cast<unsigned char>(kFirst[pair]);
      if (v >= static_cast<unsigned>(kDivisions[pair])) return false;
      index[axis] = index[axis] * static_cast<unsigned>(kDivisions[pair]) + v;
    }
  }
  const Tables& t = TheTables();
  q = {&t.phi[n / 2 - 1][index[1]], &t.lambda[n / 2 - 1][index[0]]};
  return true;
}
bool QuickPoint(const Column& column, std::size_t i, Quick& q) {
  const Text t = column.Element(i);
  switch (t.charBytes) {
    case 1: return QuickText<unsigned char>(t.data, t.length, q);
    case 2: return QuickText<std::uint16_t>(t.data, t.length, q);
    case 4: return QuickText<std::uint32_t>(t.data, t.length, q);
    default: return false;
  }
}

// Where the fast formulas and the core's are both well conditioned, they
// agree to far better than 1e-9 (checked on millions of pairs by the
// tests); elsewhere, and near a rounding edge, the core answers.
constexpr double kMinSinC = 0.05;         // the arc, from 2.9 degrees to 177.1
constexpr double kMaxCosAzimuth = 0.9995;  // the azimuth, 1.8 degrees or more from north and south
constexpr double kMinCosPhi = 0.05;       // the base, 87.1 degrees or less from the equator
constexpr double kRoundingMargin = 1e-6;
constexpr double kNoAzimuthSine = 1e-12;  // sin(c) below this: one point, or its antipode

double NearEdge(double v) { return std::fabs(v - std::floor(v) - 0.5); }  // 0 on a .5

// atan2 to within two units in the last place, without branches (the
// quadrants of random pairs cannot be predicted) and without the library's
// slower paths for arguments this code never has: the ratio of the smaller
// to the larger side, reduced to [0, 0.66], a rational approximation there
// (Cephes' coefficients), and the quadrant from the signs.
[[gnu::always_inline]] inline double ArcTangent2(double y, double x) {
  constexpr double kP[5] = {-8.750608600031904122785e-1, -1.615753718733365076637e1, -7.500855792314704667340e1,
                            -1.228866684490136173410e2, -6.485021904942025371773e1};
  constexpr double kQ[5] = {2.485846490142306297962e1, 1.650270098316988542046e2, 4.328810604912902668951e2,
                            4.853903996359136964868e2, 1.945506571482613964425e2};
  constexpr double kMoreBits = 6.123233995736765886130e-17;  // pi/2 less its double
  constexpr double kPiOver2 = 1.57079632679489661923, kPiOver4 = 0.78539816339744830962;
  const double ay = std::fabs(y), ax = std::fabs(x);
  const bool steep = ay > ax;
  const double r = (steep ? ax : ay) / (steep ? ay : ax);  // in [0, 1]
  // Above 0.66: atan(r) = pi/4 + atan((r - 1) / (r + 1)).
  const bool upper = r > 0.66;
  const double t = upper ? (r - 1) / (r + 1) : r;
  const double z = t * t;
  const double p = (((kP[0] * z + kP[1]) * z + kP[2]) * z + kP[3]) * z + kP[4];
  const double q = ((((z + kQ[0]) * z + kQ[1]) * z + kQ[2]) * z + kQ[3]) * z + kQ[4];
  const double atanR = (upper ? kPiOver4 : 0.0) + (t * (z * p / q) + t + (upper ? 0.5 * kMoreBits : 0.0));
  double a = steep ? (kPiOver2 - atanR) + kMoreBits : atanR;
  a = x < 0 ? (2 * kPiOver2 - a) + 2 * kMoreBits : a;
  return y < 0 ? -a : a;
}

// Rows worked together: the sines and cosines of both ends in, the
// unrounded answers out, and whether the fast formulas may answer.
constexpr std::size_t kBlock = 64;
struct Block {
  double sinPhi1[kBlock], cosPhi1[kBlock], sinLambda1[kBlock], cosLambda1[kBlock];
  double sinPhi2[kBlock], cosPhi2[kBlock], sinLambda2[kBlock], cosLambda2[kBlock];
  double azimuth[kBlock], km[kBlock];
  bool ok[kBlock];
  void Set(std::size_t j, const Trig& phi1, const Trig& lambda1, const Trig& phi2, const Trig& lambda2) {
    sinPhi1[j] = phi1.sine, cosPhi1[j] = phi1.cosine, sinLambda1[j] = lambda1.sine, cosLambda1[j] = lambda1.cosine;
    sinPhi2[j] = phi2.sine, cosPhi2[j] = phi2.cosine, sinLambda2[j] = lambda2.sine, cosLambda2[j] = lambda2.cosine;
  }
};

// The unrounded pairs by the stable formulas (atan2 of the arc's sine and
// cosine; the azimuth from its own sine and cosine), and whether they may
// stand: where not, the core answers. Every row alike, without a branch or
// a call, so that the compiler works several rows at once (four with AVX2,
// where the processor has it).
__attribute__((target_clones("avx2", "default"))) void FastBlock(Block& b, std::size_t n) {
  for (std::size_t j = 0; j < n; ++j) {
    // Longitudes are west-positive, as the core holds them.
    const double cosD = b.cosLambda1[j] * b.cosLambda2[j] + b.sinLambda1[j] * b.sinLambda2[j];  // cos(l1 - l2)
    const double sinD = b.sinLambda1[j] * b.cosLambda2[j] - b.cosLambda1[j] * b.sinLambda2[j];  // sin(l1 - l2)
    const double east = b.cosPhi2[j] * sinD;  // sin(c) sin(azimuth)
    const double north = b.cosPhi1[j] * b.sinPhi2[j] - b.sinPhi1[j] * b.cosPhi2[j] * cosD;  // sin(c) cos(azimuth)
    const double cosC = b.sinPhi1[j] * b.sinPhi2[j] + b.cosPhi1[j] * b.cosPhi2[j] * cosD;
    const double sinC = std::sqrt(east * east + north * north);
    b.ok[j] = (sinC >= kMinSinC) & (std::fabs(north) <= kMaxCosAzimuth * sinC) & (b.cosPhi1[j] >= kMinCosPhi);
    b.km[j] = ArcTangent2(sinC, cosC) * (kEarthCircumferenceKm / (2 * kPi));
    const double azimuth = ArcTangent2(east, north) * (180 / kPi);
    b.azimuth[j] = azimuth < 0 ? azimuth + 360 : azimuth;
  }
}

// The fast path's pair as asked for: the long path, and rounding unless
// within the error of an edge (false: the core must answer).
// Kilometres as asked for: miles, the shown ones truncated to hundredths as
// the command line shows them.
double InUnit(PathOptions o, double km) {
  if (!o.miles || std::isnan(km)) return km;
  return o.rounded ? KmToMiles(km) : km / kKmPerMile;
}

bool Finish(PathOptions o, double az, double d, double& azimuth, double& km) {
  if (o.longPath) {
    az = std::fmod(az + 180, 360);
    d = kEarthCircumferenceKm - d;
  }
  if (o.rounded) {
    if (NearEdge(az) <= kRoundingMargin || NearEdge(d) <= kRoundingMargin) return false;
    az = RoundHalfEven(az);
    if (az >= 360) az = 0;
    d = RoundHalfUp(d);
  }
  azimuth = az;
  km = d;
  return true;
}

// The WGS84 geodesics of one run of rows, remembered: real columns (a
// reporter's grid against the grids it hears) repeat their pairs often, and
// one geodesic costs as much as a hundred spherical paths. Direct mapped,
// so its memory is fixed (about 3.5 MB), and keyed by the exact centres, so
// a remembered answer is the one GeographicLib gives.
class GeodesicCache {
 public:
  GeodesicCache() : slots_(kSlots) {}
  // azi1 (degrees) and metres from p to q.
  void Inverse(const CellCentre& p, const CellCentre& q, double& azi1, double& metres) {
    const std::int64_t key[4] = {p.latitudeUnits, p.longitudeUnits, q.latitudeUnits, q.longitudeUnits};
    std::uint64_t h = 0x9e3779b97f4a7c15u;
    for (const std::int64_t k : key) h = (h ^ static_cast<std::uint64_t>(k)) * 0xbf58476d1ce4e5b9u;
    Slot& slot = slots_[(h ^ (h >> 31)) & (kSlots - 1)];
    if (slot.used && std::equal(key, key + 4, slot.key)) {
      azi1 = slot.azi1;
      metres = slot.metres;
      return;
    }
    double azi2 = 0;
    GeographicLib::Geodesic::WGS84().Inverse(p.latitudeDegrees(), p.longitudeDegrees(), q.latitudeDegrees(),
                                             q.longitudeDegrees(), metres, azi1, azi2);
    slot = {{key[0], key[1], key[2], key[3]}, azi1, metres, true};
  }

 private:
  static constexpr std::size_t kSlots = std::size_t(1) << 16;
  struct Slot {
    std::int64_t key[4];
    double azi1, metres;
    bool used;
  };
  std::vector<Slot> slots_;
};

// One pair on the ellipsoid, through the cache when there is one.
void EllipsoidPath(const Cell& base, const Cell& target, PathOptions o, GeodesicCache* cache, double& azimuth,
                   double& km) {
  const CellCentre p = LocatorCentre(std::string_view(base.text, base.length)),
                   q = LocatorCentre(std::string_view(target.text, target.length));
  double metres = 0, azi1 = 0, azi2 = 0;
  if (cache) {
    cache->Inverse(p, q, azi1, metres);
  } else {
    GeographicLib::Geodesic::WGS84().Inverse(p.latitudeDegrees(), p.longitudeDegrees(), q.latitudeDegrees(),
                                             q.longitudeDegrees(), metres, azi1, azi2);
  }
  // One centre: no direction to speak of, 0 as on the sphere.
  if (p.latitudeUnits == q.latitudeUnits && p.longitudeUnits == q.longitudeUnits) azi1 = metres = 0;
  azimuth = azi1 < 0 ? azi1 + 360 : azi1;
  km = metres / 1000;
  if (o.rounded) {  // as morvane-cli --ellipsoid shows them: tenths
    azimuth = std::round(azimuth * 10) / 10;
    if (azimuth >= 360) azimuth -= 360;
    km = std::round(metres / 100) / 10;
  }
  azimuth += 0.0;
}

}  // namespace

Cell ReadCell(const Column& column, std::size_t i) {
  Cell cell{0, {}};
  const Text text = column.Element(i);
  const char* p = text.data;
  const std::size_t bytes = text.charBytes;
  std::size_t begin = 0, end = p ? text.length : 0;
  while (end > begin && Blank(CharAt(p + (end - 1) * bytes, bytes))) --end;
  while (begin < end && Blank(CharAt(p + begin * bytes, bytes))) ++begin;
  const std::size_t n = end - begin;
  if (!IsLocatorLength(n)) return cell;
  for (std::size_t k = 0; k < n; ++k) {
    std::uint32_t c = CharAt(p + (begin + k) * bytes, bytes);
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

void Lengths(const Column& locators, std::size_t n, std::int8_t* out, unsigned threads) {
  Split(n, threads, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) out[i] = static_cast<std::int8_t>(ReadCell(locators, i).length);
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
  if (o.ellipsoid) return EllipsoidPath(base, target, o, nullptr, azimuth, km);
  const GeoRadians p = LocatorOfLengthToRadians(b), q = LocatorOfLengthToRadians(t);
  if (o.rounded) {
    const AzimuthDistance a = ComputeAzimuthDistance(p, q);
    azimuth = o.longPath ? std::fmod(a.azimuth + 180, 360) : a.azimuth;
    km = o.longPath ? RoundHalfUp(kEarthCircumferenceKm - a.exactKilometres) : a.kilometres;
    return;
  }
  // The differences of the centres, and half-angle sines where the window's
  // formula takes a cosine near 1: every term is as accurate as its inputs.
  // Longitudes are west-positive, as the core holds them.
  const double dPhi = q.phi - p.phi, dLambda = p.lambda - q.lambda;  // north, east
  const double sinHalfL = std::sin(dLambda / 2), sinHalfP = std::sin(dPhi / 2);
  const double cosPhi1 = std::cos(p.phi), cosPhi2 = std::cos(q.phi);
  const double east = cosPhi2 * std::sin(dLambda);                                            // sin(c) sin(azimuth)
  const double north = std::sin(dPhi) + 2 * std::sin(p.phi) * cosPhi2 * sinHalfL * sinHalfL;  // sin(c) cos(azimuth)
  const double cosC = 1 - 2 * (sinHalfP * sinHalfP + cosPhi1 * cosPhi2 * sinHalfL * sinHalfL);
  const double c = std::atan2(std::hypot(east, north), cosC);
  // One centre, or exact antipodes (every azimuth leads there): north, as the
  // rounded answer has it. Distinct cells' centres are never within 1e-12 of
  // either; only rounding, not geometry, leaves east and north above zero.
  double a = std::hypot(east, north) < kNoAzimuthSine ? 0.0 : std::atan2(east, north) * (180 / kPi);
  if (a < 0) a += 360;
  if (a >= 360) a -= 360;
  const double d = c * (kEarthCircumferenceKm / (2 * kPi));
  azimuth = o.longPath ? std::fmod(a + 180, 360) : a;
  km = o.longPath ? kEarthCircumferenceKm - d : d;
}

void Paths(const Column& base, const Column& target, std::size_t n, PathOptions o, double* azimuth, double* km,
           unsigned threads) {
  if (!o.ellipsoid) TheTables();  // built once, before the threads
  Split(n, threads, [&](std::size_t begin, std::size_t end) {
    Block block;
    bool quick[kBlock];
    std::optional<GeodesicCache> cache;
    if (o.ellipsoid) cache.emplace();
    for (std::size_t first = begin; first < end; first += kBlock) {
      const std::size_t rows = std::min(kBlock, end - first);
      // The usual rows: both ends read in one pass each, found in the tables.
      for (std::size_t j = 0; j < rows; ++j) {
        Quick qb, qt;
        quick[j] = !o.ellipsoid && QuickPoint(base, first + j, qb) && QuickPoint(target, first + j, qt);
        if (quick[j]) block.Set(j, *qb.phi, *qb.lambda, *qt.phi, *qt.lambda);
        else block.Set(j, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1});
      }
      if (!o.ellipsoid) FastBlock(block, rows);
      for (std::size_t j = 0; j < rows; ++j) {
        const std::size_t i = first + j;
        if (quick[j] && block.ok[j] && Finish(o, block.azimuth[j], block.km[j], azimuth[i], km[i])) continue;
        const Cell b = ReadCell(base, i), t = ReadCell(target, i);
        if (b.length == 0 || t.length == 0) {
          azimuth[i] = km[i] = kNaN;
          continue;
        }
        if (!quick[j] && !o.ellipsoid) {  // another form of text: one row on its own
          Block one;
          const Point p = PointOf(b), q = PointOf(t);
          one.Set(0, p.phi, p.lambda, q.phi, q.lambda);
          FastBlock(one, 1);
          if (one.ok[0] && Finish(o, one.azimuth[0], one.km[0], azimuth[i], km[i])) continue;
        }
        if (o.ellipsoid) EllipsoidPath(b, t, o, &*cache, azimuth[i], km[i]);
        else CorePath(b, t, o, azimuth[i], km[i]);
      }
      if (o.miles)
        for (std::size_t i = first; i < first + rows; ++i) km[i] = InUnit(o, km[i]);
    }
  });
}

namespace {

constexpr double kEarthRadiusKm = kEarthCircumferenceKm / (2 * kPi);

Degrees CentreOf(const Cell& c) {
  const CellCentre centre = LocatorCentre(std::string_view(c.text, c.length));
  return {centre.latitudeDegrees(), centre.longitudeDegrees()};
}

// Each row's two cells, or NaN into every answer of a row that lacks one.
template <typename Work>
void EachPair(const Column& base, const Column& target, std::size_t n, unsigned threads, std::size_t perRow,
              std::initializer_list<double*> answers, Work work) {
  Split(n, threads, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      const Cell b = ReadCell(base, i), t = ReadCell(target, i);
      if (b.length == 0 || t.length == 0) {
        for (double* a : answers) std::fill(a + i * perRow, a + (i + 1) * perRow, kNaN);
        continue;
      }
      work(i, b, t);
    }
  });
}

}  // namespace

void PathPoints(const Column& base, const Column& target, std::size_t n, bool longPath, const double* fractions,
                std::size_t count, double* latitude, double* longitude, unsigned threads) {
  EachPair(base, target, n, threads, count, {latitude, longitude}, [&](std::size_t i, const Cell& b, const Cell& t) {
    double azimuth = 0, km = 0;
    CorePath(b, t, {longPath, false, false, false}, azimuth, km);
    for (std::size_t k = 0; k < count; ++k) {
      const Degrees p = Destination(CentreOf(b), azimuth, fractions[k] * km / kEarthRadiusKm);
      latitude[i * count + k] = p.latitude;
      longitude[i * count + k] = p.longitude;
    }
  });
}

void Vertices(const Column& base, const Column& target, std::size_t n, bool longPath, double* latitude,
              double* longitude, unsigned threads) {
  EachPair(base, target, n, threads, 1, {latitude, longitude}, [&](std::size_t i, const Cell& b, const Cell& t) {
    double azimuth = 0, km = 0;
    CorePath(b, t, {longPath, false, false, false}, azimuth, km);
    const Degrees p = PathVertex(CentreOf(b), azimuth, km / kEarthRadiusKm);
    latitude[i] = p.latitude;
    longitude[i] = p.longitude;
  });
}

void DistanceBounds(const Column& base, const Column& target, std::size_t n, PathOptions o, double* nearest,
                    double* farthest, unsigned threads) {
  EachPair(base, target, n, threads, 1, {nearest, farthest}, [&](std::size_t i, const Cell& b, const Cell& t) {
    const DistanceRange r = CellDistanceRange(LocatorBox(std::string_view(b.text, b.length)),
                                              LocatorBox(std::string_view(t.text, t.length)));
    nearest[i] = o.longPath ? kEarthCircumferenceKm - r.farthestKm : r.nearestKm;
    farthest[i] = o.longPath ? kEarthCircumferenceKm - r.nearestKm : r.farthestKm;
    if (o.miles) nearest[i] /= kKmPerMile, farthest[i] /= kKmPerMile;
  });
}

void SunElevations(const Column& locators, const double* seconds, std::ptrdiff_t secondsStride, std::size_t n,
                   double* elevation, unsigned threads) {
  Split(n, threads, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      double when;
      std::memcpy(&when, reinterpret_cast<const char*>(seconds) + static_cast<std::ptrdiff_t>(i) * secondsStride,
                  sizeof when);
      const Cell c = ReadCell(locators, i);
      if (c.length == 0 || !std::isfinite(when)) {
        elevation[i] = kNaN;
        continue;
      }
      const Degrees p = CentreOf(c);
      elevation[i] = SolarElevation(p.latitude, p.longitude, when);
    }
  });
}

}  // namespace morvane::batch
