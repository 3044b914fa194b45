// Locator core: the edge-case tables, the decisions for the cases left open,
// and properties over the whole grid.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "locator/locator.h"

namespace morvane {
namespace {

struct ShownCase {
  const char* text;  // already upper-cased, as the pages pass it
  bool accepted;
  DmsAxis lat;
  DmsAxis lon;
};

const ShownCase kShownCases[] = {
    {"AA00AA", true, {"South", 89, 58, 45}, {"West", 179, 57, 30}},
    {"RR99XX", true, {"North", 89, 58, 45}, {"East", 179, 57, 30}},
    {"JJ00AA", true, {"North", 0, 1, 15}, {"East", 0, 2, 30}},
    {"II99XX", true, {"South", 0, 1, 15}, {"West", 0, 2, 30}},
    {"JN18EU", true, {"North", 48, 51, 15}, {"East", 2, 22, 30}},
    {"JI00AA", true, {"South", 9, 58, 45}, {"East", 0, 2, 30}},
    {"IJ99XA", true, {"North", 9, 1, 15}, {"West", 0, 2, 30}},
    {"JN18EU12", true, {"North", 48, 51, 15}, {"East", 2, 22, 30}},
    {"JN18E", false, {}, {}},
    {"", false, {}, {}},
    {"JN18EY", false, {}, {}},
    {"SN18EU", false, {}, {}},
    {"JN1AEU", false, {}, {}},
    {" JN18EU", false, {}, {}},
    {"JS18EU", false, {}, {}},       // position 2 above "R"
    {"J@18EU", false, {}, {}},       // just below "A"
    {"JN/8EU", false, {}, {}},       // just below "0"
    {"JN1:EU", false, {}, {}},       // just above "9"
    {"JN18E" "\0", false, {}, {}},   // NUL is not a character of the grid
    {"\xc3\x89N18EU", false, {}, {}},  // "É" in UTF-8: bytes above "R"
    {"jn18eu", false, {}, {}},       // the check itself does not upper-case
};

TEST(LocatorShownForm, EdgeCaseTable) {
  for (const ShownCase& c : kShownCases) {
    SCOPED_TRACE(std::string("text: \"") + c.text + "\"");
    ASSERT_EQ(CheckLocator(c.text), c.accepted);
    if (!c.accepted) continue;
    const DmsPosition p = LocatorToDms(c.text);
    EXPECT_EQ(p.latitude.hemisphere, c.lat.hemisphere);
    EXPECT_EQ(p.latitude.degrees, c.lat.degrees);
    EXPECT_EQ(p.latitude.minutes, c.lat.minutes);
    EXPECT_EQ(p.latitude.seconds, c.lat.seconds);
    EXPECT_EQ(p.longitude.hemisphere, c.lon.hemisphere);
    EXPECT_EQ(p.longitude.degrees, c.lon.degrees);
    EXPECT_EQ(p.longitude.minutes, c.lon.minutes);
    EXPECT_EQ(p.longitude.seconds, c.lon.seconds);
  }
}

TEST(LocatorShownForm, NulInsideTheFirstSixCharactersIsRefused) {
  EXPECT_FALSE(CheckLocator(std::string_view("JN18E\0U", 7)));
  EXPECT_TRUE(CheckLocator(std::string_view("JN18EU\0", 7)));
}

TEST(LocatorDecode, CornersAndCentreMinutesAtTheGridEdges) {
  const DecodedLocator sw = DecodeLocator("AA00AA");
  EXPECT_EQ(sw.latitude.degrees, -90);
  EXPECT_EQ(sw.latitude.centreMinutes, 1.25);
  EXPECT_EQ(sw.longitude.degrees, -180);
  EXPECT_EQ(sw.longitude.centreMinutes, 2.5);
  const DecodedLocator ne = DecodeLocator("RR99XX");
  EXPECT_EQ(ne.latitude.degrees, 89);
  EXPECT_EQ(ne.latitude.centreMinutes, 58.75);
  EXPECT_EQ(ne.longitude.degrees, 178);
  EXPECT_EQ(ne.longitude.centreMinutes, 117.5);
}

// Every accepted locator of the grid shows latitude seconds 15 or 45 and
// longitude seconds 30, and re-encoding its shown centre gives it back.
TEST(LocatorProperties, EveryLocatorDecodesToItsCentreAndEncodesBack) {
  std::string loc = "AA00AA";
  long checked = 0;
  for (char f1 = 'A'; f1 <= 'R'; ++f1)
    for (char f2 = 'A'; f2 <= 'R'; ++f2)
      for (char s1 = '0'; s1 <= '9'; ++s1)
        for (char s2 = '0'; s2 <= '9'; ++s2)
          for (char u1 = 'A'; u1 <= 'X'; ++u1)
            for (char u2 = 'A'; u2 <= 'X'; ++u2) {
              loc = {f1, f2, s1, s2, u1, u2};
              ASSERT_TRUE(CheckLocator(loc)) << loc;
              const DmsPosition p = LocatorToDms(loc);
              ASSERT_TRUE(p.latitude.seconds == 15 || p.latitude.seconds == 45) << loc;
              ASSERT_EQ(p.longitude.seconds, 30) << loc;
              ASSERT_TRUE(p.latitude.minutes >= 0 && p.latitude.minutes < 60) << loc;
              ASSERT_TRUE(p.longitude.minutes >= 0 && p.longitude.minutes < 60) << loc;
              const auto back = EncodeLocator(
                  {double(p.latitude.degrees), double(p.latitude.minutes),
                   double(p.latitude.seconds)},
                  p.latitude.hemisphere == "South",
                  {double(p.longitude.degrees), double(p.longitude.minutes),
                   double(p.longitude.seconds)},
                  p.longitude.hemisphere == "West");
              ASSERT_TRUE(back.has_value()) << loc;
              ASSERT_EQ(*back, loc);
              ++checked;
            }
  EXPECT_EQ(checked, 18L * 18 * 10 * 10 * 24 * 24);
}

struct EncodeCase {
  double latDeg, latMin, latSec;
  bool south;
  double lonDeg, lonMin, lonSec;
  bool west;
  const char* locator;
};

const EncodeCase kEncodeCases[] = {
    {0, 0, 0, false, 0, 0, 0, false, "JJ00AA"},
    {0, 0, 0, true, 0, 0, 0, true, "JJ00AA"},
    {48, 51, 0, false, 2, 21, 0, false, "JN18EU"},
    {45, 0, 0, false, 90, 0, 0, true, "EN55AA"},
    {40, 43, 0, false, 73, 59, 0, true, "FN30AR"},
    {33, 52, 0, true, 151, 13, 0, false, "QF56OD"},
    {51, 28, 0, false, 0, 0, 0, true, "JO01AL"},
    {89, 59, 59, false, 179, 59, 59, false, "RR99XX"},
    {89, 59, 59, true, 179, 59, 59, true, "AA00AA"},
    {12.5, 0, 0, false, 0, 0, 0, false, "JK02AM"},
    {0, 30, 0, false, 0, 0, 0, false, "JJ00AM"},
    {-10, 0, 0, false, 0, 0, 0, false, "JI00AA"},
    {10, 0, 0, true, 0, 0, 0, false, "JI00AA"},
    // On boundaries the rounded quotient can fall just short: kept as is.
    {0, 0, 0, false, 2, 0, 0, false, "JJ00XA"},
    {1, 0, 0, false, 0, 0, 0, false, "JJ00AX"},
    {0, 0, 0, false, 4, 0, 0, false, "JJ10XA"},
    {50, 0, 0, false, 4, 0, 0, false, "JO10XA"},
    {40, 45, 0, false, 73, 59, 0, true, "FN30AR"},
    // The edges of the grid that are still inside it.
    {90, 0, 0, true, 180, 0, 0, true, "AA00AA"},
    {-90, 0, 0, false, -180, 0, 0, false, "AA00AA"},
};

TEST(LocatorEncode, EdgeCaseTable) {
  for (const EncodeCase& c : kEncodeCases) {
    SCOPED_TRACE(c.locator);
    const auto got = EncodeLocator({c.latDeg, c.latMin, c.latSec}, c.south,
                                   {c.lonDeg, c.lonMin, c.lonSec}, c.west);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, c.locator);
  }
}

TEST(LocatorEncode, PositionsOutsideTheGridGiveNoLocator) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const EncodeCase outside[] = {
      {90, 0, 0, false, 0, 0, 0, false, "90 N"},
      {0, 0, 0, false, 180, 0, 0, false, "180 E"},
      {90, 0, 0, false, 180, 0, 0, false, "90 N 180 E (would be SS00AA)"},
      {-95, 0, 0, false, 0, 0, 0, false, "95 S typed as -95 N"},
      {89, 59.99, 59.99, false, 0, 0, 0, false, "adds up past 90 N"},
      {0, 0, 0, false, 179, 60, 0.5, false, "adds up past 180 E"},
      {0, 0, 0, false, -181, 0, 0, false, "181 W typed as -181 E"},
      {1e308, 0, 0, false, 0, 0, 0, false, "huge"},
      {0, -1e308, 0, false, 0, 0, 0, false, "huge negative minutes"},
      {kInf, 0, 0, false, 0, 0, 0, false, "infinite degrees"},
      {0, 0, 0, false, 0, 0, -kInf, true, "infinite seconds"},
      {kNaN, 0, 0, false, 0, 0, 0, false, "NaN degrees"},
      {0, 0, 0, false, 0, kNaN, 0, false, "NaN minutes"},
      // Infinite inputs that would cancel are refused, not turned into NaN.
      {0, kInf, -kInf, false, 0, 0, 0, false, "inf - inf"},
  };
  for (const EncodeCase& c : outside) {
    SCOPED_TRACE(c.locator);
    EXPECT_FALSE(EncodeLocator({c.latDeg, c.latMin, c.latSec}, c.south,
                               {c.lonDeg, c.lonMin, c.lonSec}, c.west)
                     .has_value());
  }
}

// A hair below a cell boundary must never produce a character past "9" or "X".
TEST(LocatorEncode, JustBelowABoundaryStaysInTheGrid) {
  // Boundaries of fields and squares, approached from below ulp by ulp.
  for (double lat : {-80.0, -1.0, 0.0, 40.0, 89.0}) {
    for (double lon : {-160.0, -178.0, 0.0, 4.0, 100.0}) {
      double la = lat, lo = lon;
      for (int step = 0; step < 64; ++step) {
        la = std::nextafter(la, -1000.0);
        lo = std::nextafter(lo, -1000.0);
        const auto got = EncodeLocator({la, 0, 0}, false, {lo, 0, 0}, false);
        ASSERT_TRUE(got.has_value()) << la << " " << lo;
        ASSERT_TRUE(CheckLocator(*got)) << *got << " lat " << la << " lon " << lo;
      }
    }
  }
  const auto corner = EncodeLocator({std::nextafter(-90.0, 0.0), 0, 0}, false,
                                    {std::nextafter(-180.0, 0.0), 0, 0}, false);
  ASSERT_TRUE(corner.has_value());
  EXPECT_EQ(*corner, "AA00AA");
}

struct PairCase {
  const char* base;
  const char* target;
  double azimuth;
  double km;
  double miles;
};

const PairCase kPairCases[] = {
    {"JN18AA", "JN19AA", 0, 111, 68.98},
    {"JN19AA", "JN18AA", 180, 111, 68.98},
    {"JJ00AA", "JJ10AA", 90, 223, 138.59},
    {"JJ10AA", "JJ00AA", 270, 223, 138.59},
    {"JJ00AA", "JI09AX", 180, 5, 3.1},
    {"IO91WM", "JN18DU", 149, 343, 213.17},
    {"JN18DU", "IO91WM", 331, 343, 213.17},
    {"JN18EU", "FN20XR", 292, 5847, 3633.93},
    {"FN20XR", "JN18EU", 54, 5847, 3633.93},
    {"QF56OD", "IO91WM", 319, 17011, 10572.4},
    // Decisions for the cases the formulas leave open.
    {"JN18EU", "JN18EU", 0, 0, 0},            // same centre
    {"JJ00AA", "AI09AX", 0, 20038, 12453.69},  // antipodal centres
    {"AI09AX", "JJ00AA", 0, 20038, 12453.69},
    {"AL00AA", "RL90XA", 270, 9, 5.59},  // target 5' west across 180 degrees
    {"RL90XA", "AL00AA", 90, 9, 5.59},
    // Pairs whose kilometre moves if the circumference is not 40076.59.
    {"KM47VU", "QB90HU", 168, 14928, 9277.81},
    {"QN52FJ", "NG52ER", 230, 9901, 6153.51},
};

TEST(GreatCircle, EdgeCaseTable) {
  for (const PairCase& c : kPairCases) {
    SCOPED_TRACE(std::string(c.base) + " -> " + c.target);
    const AzimuthDistance r =
        ComputeAzimuthDistance(LocatorToRadians(c.base), LocatorToRadians(c.target));
    EXPECT_EQ(r.azimuth, c.azimuth);
    EXPECT_EQ(r.kilometres, c.km);
    EXPECT_EQ(KmToMiles(r.kilometres), c.miles);
  }
}

TEST(GreatCircle, LocatorToRadiansMatchesTheDirectFormula) {
  for (const char* loc : {"JN18EU", "FN20XR", "AA00AA", "RR99XX", "II99XX", "QF56OD"}) {
    SCOPED_TRACE(loc);
    const int F = loc[0] - 65, G = loc[1] - 65, d = loc[2] - 48, e = loc[3] - 48;
    const int s = loc[4] - 65, t = loc[5] - 65;
    const double phiDeg = -90 + 10 * G + e + (2.5 * t + 1.25) / 60;
    const double lambdaDeg = 180 - 20 * F - 2 * d - (5 * s + 2.5) / 60;
    const GeoRadians r = LocatorToRadians(loc);
    EXPECT_NEAR(r.phi, phiDeg * kPi / 180, 1e-15);
    EXPECT_NEAR(r.lambda, lambdaDeg * kPi / 180, 1e-15);
  }
  EXPECT_NEAR(LocatorToRadians("JN18EU").lambda * 180 / kPi, -2.375, 1e-12);
}

TEST(GreatCircle, MilesAndRounding) {
  EXPECT_EQ(KmToMiles(1000), 621.5);
  EXPECT_EQ(KmToMiles(0), 0);
  EXPECT_EQ(KmToMiles(111), 68.98);  // 68.986... truncated, not rounded
  const struct { double in, halfEven, halfUp; } rounding[] = {
      {44.5, 44, 45}, {45.5, 46, 46}, {0.5, 0, 1}, {359.5, 360, 360},
      {12.4999, 12, 12}, {12.5001, 13, 13}, {0, 0, 0},
  };
  for (const auto& r : rounding) {
    EXPECT_EQ(RoundHalfEven(r.in), r.halfEven) << r.in;
    EXPECT_EQ(RoundHalfUp(r.in), r.halfUp) << r.in;
  }
  EXPECT_FALSE(std::signbit(RoundHalfEven(-1e-13)));
}

std::string RandomLocator(std::mt19937& rng) {
  std::uniform_int_distribution<int> field(0, 17), square(0, 9), sub(0, 23);
  return {char('A' + field(rng)), char('A' + field(rng)), char('0' + square(rng)),
          char('0' + square(rng)), char('A' + sub(rng)),   char('A' + sub(rng))};
}

void ExpectSane(const AzimuthDistance& r, const std::string& what) {
  ASSERT_TRUE(std::isfinite(r.azimuth) && std::isfinite(r.kilometres)) << what;
  ASSERT_FALSE(std::signbit(r.azimuth)) << what;
  ASSERT_FALSE(std::signbit(r.kilometres)) << what;
  ASSERT_GE(r.azimuth, 0) << what;
  ASSERT_LE(r.azimuth, 359) << what;
  ASSERT_EQ(r.azimuth, std::floor(r.azimuth)) << what;
  ASSERT_LE(r.kilometres, 20038) << what;
}

TEST(GreatCircleProperties, RandomPairsAreSaneAndDistanceIsSymmetric) {
  std::mt19937 rng(20261207);
  for (int i = 0; i < 200000; ++i) {
    const std::string a = RandomLocator(rng), b = RandomLocator(rng);
    const AzimuthDistance ab = ComputeAzimuthDistance(LocatorToRadians(a), LocatorToRadians(b));
    const AzimuthDistance ba = ComputeAzimuthDistance(LocatorToRadians(b), LocatorToRadians(a));
    ExpectSane(ab, a + " " + b);
    ExpectSane(ba, b + " " + a);
    ASSERT_EQ(ab.kilometres, ba.kilometres) << a << " " << b;
  }
}

// Neighbours near the poles are the closest distinct centres of the grid:
// the central angle is tiny there and x lands anywhere near +-1.
TEST(GreatCircleProperties, NeighboursNearThePolesAreSane) {
  for (const char* row : {"AA00?A", "AR09?X", "JA00?A", "RR99?X"}) {
    for (char u = 'A'; u < 'X'; ++u) {
      std::string a = row, b = row;
      a[4] = u;
      b[4] = char(u + 1);
      ExpectSane(ComputeAzimuthDistance(LocatorToRadians(a), LocatorToRadians(b)), a + " " + b);
      ExpectSane(ComputeAzimuthDistance(LocatorToRadians(b), LocatorToRadians(a)), b + " " + a);
    }
  }
}

// Two centres on one meridian are due north or due south of each other, even
// where rounding puts x exactly on, or a hair beyond, +-1.
TEST(GreatCircleProperties, SameMeridianIsDueNorthOrSouth) {
  for (const char* column : {"JA00A", "AA00A", "RA99X", "IA90M"}) {
    std::string a = column, b = column;
    a.resize(6);
    b.resize(6);
    for (int i = 0; i < 18 * 10 * 24; i += 31) {
      a[1] = char('A' + i / 240);
      a[3] = char('0' + i / 24 % 10);
      a[5] = char('A' + i % 24);
      for (int j = 0; j < 18 * 10 * 24; ++j) {
        b[1] = char('A' + j / 240);
        b[3] = char('0' + j / 24 % 10);
        b[5] = char('A' + j % 24);
        const AzimuthDistance r = ComputeAzimuthDistance(LocatorToRadians(a), LocatorToRadians(b));
        const GeoRadians pa = LocatorToRadians(a), pb = LocatorToRadians(b);
        const double expected = i == j ? 0 : (pb.phi > pa.phi ? 0 : 180);
        ASSERT_EQ(r.azimuth, expected) << a << " -> " << b;
      }
    }
  }
}

}  // namespace
}  // namespace morvane
