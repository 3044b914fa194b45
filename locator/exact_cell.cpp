#include "locator/exact_cell.h"

#include <cstring>

#include "locator/precision.h"

namespace morvane {
namespace {

__extension__ typedef __int128 Int128;  // GCC and Clang, the wasm target included

// The grid's origin (90 S, 180 W) in finest cells: the same on both axes.
constexpr std::int64_t kOriginCells = 518400;
static_assert(kOriginCells == 90 * kFinestCellsPerLatitudeDegree && kOriginCells == 180 * kFinestCellsPerLongitudeDegree);

// The first character of each pair; a pair's cells hold 57600, 5760, 240,
// 24 and 1 finest cells (LocatorOfCell).
constexpr char kFirstCharacter[5] = {'A', '0', 'A', '0', 'A'};

// A typed number split at its point: whole digits (leading zeros dropped)
// and decimals (trailing zeros dropped).
struct Digits {
  std::string_view whole, decimals;
};

// Written into d rather than returned, so that the parts are not copied
// again through the stack.
bool Split(std::string_view text, Digits& d) {
  const std::size_t point = text.find('.');
  d.whole = text.substr(0, point);
  d.decimals = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (d.whole.empty() && d.decimals.empty() && !text.empty()) return false;  // "."
  for (char c : d.whole)
    if (c < '0' || c > '9') return false;
  for (char c : d.decimals)
    if (c < '0' || c > '9') return false;
  while (!d.whole.empty() && d.whole.front() == '0') d.whole.remove_prefix(1);
  while (!d.decimals.empty() && d.decimals.back() == '0') d.decimals.remove_suffix(1);
  return true;
}

template <typename Int>
Int Digits10(std::string_view digits) {
  Int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

template <typename Int>
Int FloorDivide(Int n, Int d) {  // d > 0
  const Int q = n / d;
  return (n % d != 0 && n < 0) ? q - 1 : q;
}

constexpr std::int64_t kPowersOf10[10] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

// The finest cell of +-(D + M/60 + S/3600) degrees, each number being
// digits / 10^decimals. In units of 10^-decimals arc seconds the value is
// U = 3600 D + 60 M + S, and the index is floor(U * K / 3600 / 10^decimals)
// for K cells to the degree, K / 3600 being 4/5 (longitude) or 8/5.
std::int64_t Cell(const Digits (&dms)[3], std::size_t decimals, bool far, GridAxis which) {
  Int128 scale = 1;
  for (std::size_t i = 0; i < decimals; ++i) scale *= 10;
  constexpr Int128 kPerUnit[3] = {3600, 60, 1};
  Int128 units = 0;
  for (int i = 0; i < 3; ++i) {
    Int128 fraction = Digits10<Int128>(dms[i].decimals);
    for (std::size_t k = dms[i].decimals.size(); k < decimals; ++k) fraction *= 10;
    units += (Digits10<Int128>(dms[i].whole) * scale + fraction) * kPerUnit[i];
  }
  const Int128 numerator = (far ? -units : units) * (which == GridAxis::Latitude ? 8 : 4);
  return static_cast<std::int64_t>(FloorDivide<Int128>(numerator, 5 * scale));
}

std::optional<std::int64_t> InGrid(std::int64_t cell) {
  cell += kOriginCells;
  if (cell < 0 || cell >= kFinestCellsPerAxis) return std::nullopt;
  return cell;
}


// Whole parts from these up lie off the grid on their own (1000 degrees,
// 10^6 minutes, 10^7 seconds); below them the sums fit in 128 bits at
// kMaxExactDecimals decimals, and in 64 at 9.
constexpr std::int64_t kWholeLimits[3] = {1000, 1000000, 10000000};
constexpr std::size_t kMaxWholeDigits[3] = {3, 6, 7};

enum class Quick { Done, OffGrid, Slow };

// The common case in one pass over each number: at most 9 decimals (trailing
// zeros aside), read as a count of 10^-9 units; anything else is left to
// the general path.
Quick QuickUnits(const std::string_view (&texts)[3], std::int64_t& units) {
  constexpr std::int64_t kPerUnit[3] = {3600, 60, 1};
  units = 0;
  for (int i = 0; i < 3; ++i) {
    std::int64_t whole = 0, fraction = 0;
    int decimals = 0, zeros = 0;  // zeros: not yet counted, they may be trailing
    bool point = false, digit = false;
    for (char c : texts[i]) {
      if (c == '.' && !point) {
        point = true;
        continue;
      }
      if (c < '0' || c > '9') return Quick::Slow;
      digit = true;
      if (!point) {
        whole = whole * 10 + (c - '0');
        if (whole >= kWholeLimits[i]) return Quick::OffGrid;
      } else if (c == '0') {
        ++zeros;
      } else {
        if (decimals + zeros >= 9) return Quick::Slow;
        for (; zeros > 0; --zeros, ++decimals) fraction *= 10;
        fraction = fraction * 10 + (c - '0');
        ++decimals;
      }
    }
    if (point && !digit) return Quick::Slow;  // "."
    units += (whole * kPowersOf10[9] + fraction * kPowersOf10[9 - decimals]) * kPerUnit[i];
  }
  return Quick::Done;
}

}  // namespace

std::optional<std::int64_t> FinestCell(DecimalAxis axis, bool far, GridAxis which) {
  const std::string_view texts[3] = {axis.degrees, axis.minutes, axis.seconds};
  const std::int64_t perUnit = which == GridAxis::Latitude ? 8 : 4;
  std::int64_t units = 0;
  switch (QuickUnits(texts, units)) {
    case Quick::Done: return InGrid(FloorDivide<std::int64_t>((far ? -units : units) * perUnit, 5 * kPowersOf10[9]));
    case Quick::OffGrid: return std::nullopt;
    case Quick::Slow: break;
  }
  Digits dms[3];
  std::size_t decimals = 0;
  for (int i = 0; i < 3; ++i) {
    if (!Split(texts[i], dms[i]) || dms[i].decimals.size() > kMaxExactDecimals) return std::nullopt;
    if (dms[i].whole.size() > kMaxWholeDigits[i]) return std::nullopt;
    if (dms[i].decimals.size() > decimals) decimals = dms[i].decimals.size();
  }
  return InGrid(Cell(dms, decimals, far, which));
}

std::optional<std::int64_t> FinestCell(double degrees, GridAxis which) {
  const bool latitude = which == GridAxis::Latitude;
  const double limit = latitude ? 90 : 180;
  if (!(degrees >= -limit && degrees < limit)) return std::nullopt;  // NaN fails too
  // floor(degrees * K) from the double's own bits, mantissa * 2^exponent:
  // the product mantissa * K is a whole number of at most 66 bits, and the
  // floor is an arithmetic shift right by -exponent (at least 45 here).
  std::uint64_t bits;
  std::memcpy(&bits, &degrees, sizeof bits);
  const int biased = static_cast<int>(bits >> 52 & 0x7ff);
  std::uint64_t mantissa = bits & ((std::uint64_t(1) << 52) - 1);
  if (biased != 0) mantissa |= std::uint64_t(1) << 52;  // not subnormal
  const int shift = 1075 - (biased != 0 ? biased : 1);
  Int128 product = Int128(mantissa) * (latitude ? kFinestCellsPerLatitudeDegree : kFinestCellsPerLongitudeDegree);
  if (bits >> 63) product = -product;
  const std::int64_t cell = shift >= 127 ? (product < 0 ? -1 : 0) : static_cast<std::int64_t>(product >> shift);
  return InGrid(cell);
}

std::string LocatorOfCell(std::int64_t latitudeCell, std::int64_t longitudeCell, std::size_t length) {
  std::string out(length, ' ');
  // Divisions by constants, a pair at a time, so that they become products.
  std::int32_t rest[2] = {static_cast<std::int32_t>(longitudeCell), static_cast<std::int32_t>(latitudeCell)};
  const auto next = [&](std::size_t pair, std::int32_t size) {
    if (2 * pair >= length) return;
    for (int axis = 0; axis < 2; ++axis) {
      const std::int32_t index = rest[axis] / size;
      rest[axis] -= index * size;
      out[2 * pair + axis] = static_cast<char>(kFirstCharacter[pair] + index);
    }
  };
  next(0, 57600);
  next(1, 5760);
  next(2, 240);
  next(3, 24);
  next(4, 1);
  return out;
}

std::optional<std::string> EncodeExactLocator(DecimalAxis latitude, bool south, DecimalAxis longitude, bool west,
                                              std::size_t length) {
  if (!IsLocatorLength(length)) return std::nullopt;
  const auto y = FinestCell(latitude, south, GridAxis::Latitude);
  const auto x = FinestCell(longitude, west, GridAxis::Longitude);
  if (!y || !x) return std::nullopt;
  return LocatorOfCell(*y, *x, length);
}

std::optional<std::string> EncodeExactLocator(double latitude, double longitude, std::size_t length) {
  if (!IsLocatorLength(length)) return std::nullopt;
  const auto y = FinestCell(latitude, GridAxis::Latitude);
  const auto x = FinestCell(longitude, GridAxis::Longitude);
  if (!y || !x) return std::nullopt;
  return LocatorOfCell(*y, *x, length);
}

}  // namespace morvane
