// The exact cell against a reference in exact rational arithmetic: a value
// p/q degrees walked down the grid one character pair at a time, each step a
// whole-number floor of what is left. The encoder under test takes the
// typed digits (or a double) instead and finds the finest cell in one go.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "locator/locator.h"

namespace morvane {
namespace {

__extension__ typedef __int128 Int128;

// Cell sizes per pair in 1/5760 degree (latitude) and 1/2880 (longitude).
constexpr Int128 kLatSizes[5] = {57600, 5760, 240, 24, 1};
constexpr Int128 kLonSizes[5] = {57600, 5760, 240, 24, 1};

// One axis: the characters of the cell holding p/q degrees, "" off the grid.
std::string ReferenceAxis(Int128 p, Int128 q, bool latitude, std::size_t pairs) {
  const Int128 perDegree = latitude ? 5760 : 2880;
  Int128 rest = p * perDegree + (latitude ? 90 : 180) * perDegree * q;  // in 1/(q perDegree) degree
  if (rest < 0 || rest >= 1036800 * q) return "";
  std::string out;
  const char first[5] = {'A', '0', 'A', '0', 'A'};
  for (std::size_t i = 0; i < pairs; ++i) {
    const Int128 size = (latitude ? kLatSizes : kLonSizes)[i] * q;
    out += static_cast<char>(first[i] + static_cast<int>(rest / size));
    rest %= size;
  }
  return out;
}

std::string Reference(Int128 latP, Int128 lonP, Int128 q, std::size_t length) {
  const std::string y = ReferenceAxis(latP, q, true, length / 2), x = ReferenceAxis(lonP, q, false, length / 2);
  if (y.empty() || x.empty()) return "";
  std::string out;
  for (std::size_t i = 0; i < y.size(); ++i) out += {x[i], y[i]};
  return out;
}

// A signed position in 1/1000 arc second, typed as "D M S.sss".
struct Typed {
  std::string d, m, s;
  bool far;
};
Typed TypeMilliseconds(long long ms) {
  const long long a = std::llabs(ms);
  char s[16];
  std::snprintf(s, sizeof s, "%lld.%03lld", a % 60000 / 1000, a % 1000);
  return {std::to_string(a / 3600000), std::to_string(a % 3600000 / 60000), s, ms < 0};
}

std::string Exact(const Typed& lat, const Typed& lon, std::size_t length) {
  return EncodeExactLocator({lat.d, lat.m, lat.s}, lat.far, {lon.d, lon.m, lon.s}, lon.far, length).value_or("");
}

// Positions swept, in milliseconds of arc: whole degrees in four hemisphere
// combinations, whole minutes, and the edges of 6, 8 and 10-character cells
// (2'30", 30" and 15", 1.25" and 0.625"), each with its neighbours one typed
// unit (1 ms) either side.
TEST(ExactCell, TypedPositionsOnAndBesideEveryKindOfEdgeMatchTheReference) {
  struct Sweep {
    const char* what;
    long long latStep, lonStep;  // ms
    int count;
    int across;  // longitudes per latitude: 1 walks a diagonal
  };
  const Sweep sweeps[] = {
      {"whole degrees", 3600000, 3600000, 90 * 180, 180}, {"whole minutes", 60000, 60000 * 7, 5400, 1},
      {"2'30\" edges", 150000, 300000, 2000, 1},          {"30\" and 15\" edges", 15000, 30000, 4000, 1},
      {"1.25\" and 0.625\" edges", 625, 1250, 8000, 1},
  };
  long long cases = 0;
  for (const Sweep& sweep : sweeps) {
    for (long long i = 0; i < sweep.count; ++i) {
      for (int nudge : {-1, 0, 1}) {
        // Lines in the whole grid: the diagonals wrap round.
        const long long lat = (i / sweep.across * sweep.latStep) % (90LL * 3600000) + nudge;
        const long long lon = (sweep.across > 1 ? i % sweep.across : i) * sweep.lonStep % (180LL * 3600000) + nudge;
        for (int signs = 0; signs < 4; ++signs) {
          const long long y = signs & 1 ? -lat : lat, x = signs & 2 ? -lon : lon;
          for (std::size_t length : {2, 4, 6, 8, 10}) {
            ++cases;
            ASSERT_EQ(Exact(TypeMilliseconds(y), TypeMilliseconds(x), length), Reference(y, x, 3600000, length))
                << sweep.what << ": " << y << " " << x << " ms";
          }
        }
      }
    }
  }
  EXPECT_GT(cases, 1000000);
}

TEST(ExactCell, DecimalDegreesAndTheCommandLineExamples) {
  const std::string nines28 = "48.124" + std::string(25, '9'), nines29 = nines28 + "9";
  struct Case {
    std::string lat, lon;
    bool south, west;
    const char* locator;  // "": refused
  };
  const Case cases[] = {
      {"48", "2", false, false, "JN18AA00AA"},         {"52", "4", false, false, "JO22AA00AA"},
      {"0", "2", false, false, "JJ10AA00AA"},          {"1", "0", false, false, "JJ01AA00AA"},
      {"48.5", "2.25", false, false, "JN18DM00AA"},    {"48.125", "2.25", false, false, "JN18DD00AA"},
      {"48.124999", "2.249999", false, false, "JN18CC99XX"},
      {"48.125000000000000000000000001", "2.25", false, false, "JN18DD00AA"},
      {nines28, "2.25", false, false, "JN18DC09AX"},   {nines29, "2.25", false, false, ""},
      {"90", "0", false, false, ""},                   {"90", "0", true, false, "JA00AA00AA"},
      {"0", "180", false, false, ""},                  {"0", "180", false, true, "AJ00AA00AA"},
      {"0.0", "0.", true, true, "JJ00AA00AA"},         {"1000", "0", true, false, ""},
      {"4x", "0", false, false, ""},                   {".", "0", false, false, ""},
      {"4a", "0", false, false, ""},  // read as digits it would be 89
      {"4.a", "0", false, false, ""},        {"4.5.5", "0", false, false, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EncodeExactLocator({c.lat, "", ""}, c.south, {c.lon, "", ""}, c.west, 10).value_or(""), c.locator)
        << c.lat << " " << c.lon;
  // Seconds a unit of the twelfth decimal short of the first 10-character line, and on it.
  EXPECT_EQ(*EncodeExactLocator({"0", "0", "0.624999999999"}, false, {"0", "0", "1.249999999999"}, false, 10), "JJ00AA00AA");
  EXPECT_EQ(*EncodeExactLocator({"0", "0", "0.625000000000"}, false, {"0", "0", "1.250000000000"}, false, 10), "JJ00AA00BB");
}

// Decimal degrees with 1 to 12 decimals (past 9 the wide path), random
// and on the lines where a decimal ends (k/640 degrees of latitude, k/320
// of longitude) with a unit of the last digit either side, leading zeros
// and all.
TEST(ExactCell, DecimalDegreesOfEveryLengthMatchTheReference) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    const int decimals = 1 + i % 12;
    Int128 scale = 1;
    for (int k = 0; k < decimals; ++k) scale *= 10;
    const bool onLine = i % 3 != 0;
    // A line k/640 (latitude) or k/320 (longitude) degrees is 15625 k or
    // 31250 k units of 10^-7; nudged by one unit of the last digit.
    Int128 lat, lon;
    if (onLine && decimals >= 7) {
      const Int128 unit7 = scale / 10000000;
      lat = (Int128(random() % 115200) - 57600) * 15625 * unit7 + (Int128(random() % 3) - 1);
      lon = (Int128(random() % 115200) - 57600) * 31250 * unit7 + (Int128(random() % 3) - 1);
    } else {
      lat = Int128(random() % static_cast<std::uint64_t>(180 * scale)) - 90 * scale;
      lon = Int128(random() % static_cast<std::uint64_t>(360 * scale)) - 180 * scale;
    }
    const auto text = [&](Int128 v) {
      const Int128 a = v < 0 ? -v : v;
      std::string fraction = std::to_string(static_cast<long long>(a % scale));
      fraction.insert(0, decimals - fraction.size(), '0');
      return "0" + std::to_string(static_cast<long long>(a / scale)) + "." + fraction;  // a leading zero too
    };
    for (std::size_t length : {6, 10}) {
      // The reference in 1/(3600 * 10^decimals) degrees, as for typed seconds.
      ASSERT_EQ(EncodeExactLocator({text(lat), "", ""}, lat < 0, {text(lon), "", ""}, lon < 0, length).value_or(""),
                Reference(lat, lon, scale, length))
          << text(lat) << " " << text(lon);
    }
  }
}

// A double's exact value: p / 2^k. Edges that doubles hold exactly, their
// neighbours one ulp away, and random values against the reference.
TEST(ExactCell, DoublesAreCelledByTheirExactValue) {
  std::vector<double> values = {0.0, -0.0, 48.125, 2.25, 48.0, 52.0, 4.0, -33.0, 179.0, -180.0, 89.0, -90.0,
                                1.0 / 1024, 45.0 / 64};
  std::mt19937_64 random(25);
  std::uniform_real_distribution<double> degrees(-90, 90);
  for (int i = 0; i < 20000; ++i) values.push_back(degrees(random));
  const std::size_t edges = values.size();
  for (std::size_t i = 0; i < edges; ++i) {
    values.push_back(std::nextafter(values[i], -1e9));
    values.push_back(std::nextafter(values[i], 1e9));
  }
  for (double bad : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN(), 1e300, -1e300, 90.0, 180.0})
    EXPECT_EQ(EncodeExactLocator(bad, 0.0, 10).value_or("") + EncodeExactLocator(0.0, bad == 90.0 ? 0.0 : bad, 10).value_or(""),
              bad == 90.0 ? "JJ00AA00AA" : "")
        << bad;
  for (double lat : values) {
    const double lon = 2 * lat;
    int exponent = 0;
    const double mantissa = std::frexp(lat, &exponent);  // lat = mantissa * 2^exponent
    if (lat != 0 && exponent - 53 < -100) continue;      // 2^100 is as far as the reference's q goes
    const Int128 q = Int128(1) << 100;
    const Int128 p = Int128(std::ldexp(mantissa, 53)) << (100 + exponent - 53);
    for (std::size_t length : {2, 4, 6, 8, 10})
      ASSERT_EQ(EncodeExactLocator(lat, lon, length).value_or(""), Reference(p, 2 * p, q, length))
          << lat << " " << lon;
  }
}

// Away from edges the exact and the step-by-step encoders agree.
TEST(ExactCell, AgreesWithTheStepByStepEncoderAwayFromEdges) {
  std::mt19937_64 random(2);
  std::uniform_int_distribution<long long> ms(-90LL * 3600000 + 1, 90LL * 3600000 - 1);
  int compared = 0;
  for (int i = 0; i < 20000; ++i) {
    const long long y = ms(random), x = 2 * ms(random);
    // One typed unit from a 10-character edge is far from it for the steps.
    if (y % 625 == 0 || x % 1250 == 0 || (y + 1) % 625 == 0 || (x + 1) % 1250 == 0) continue;
    const Typed lat = TypeMilliseconds(y), lon = TypeMilliseconds(x);
    const auto axis = [](const Typed& t) { return TypedAxis{std::stod(t.d), std::stod(t.m), std::stod(t.s)}; };
    ASSERT_EQ(Exact(lat, lon, 10), *EncodeLocatorOfLength(axis(lat), lat.far, axis(lon), lon.far, 10)) << y << " " << x;
    ++compared;
  }
  EXPECT_GT(compared, 19000);
}

}  // namespace
}  // namespace morvane
