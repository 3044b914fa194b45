// The columns behind the Python module against the core, pair by pair:
// unrounded answers within 1e-9 of the core's, rounded ones equal to them,
// on a million random pairs of every length and on the pairs where the fast
// formulas give way (poles, meridians, antipodes, neighbours).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "python/batch.h"

namespace morvane::batch {
namespace {

std::string RandomLocator(std::mt19937_64& random, int length) {
  const auto pick = [&](char first, int n) { return static_cast<char>(first + random() % n); };
  std::string s = {pick('A', 18), pick('A', 18)};
  for (int pair = 1; static_cast<int>(s.size()) < length; ++pair) {
    const bool digits = pair % 2 == 1;
    s += digits ? pick('0', 10) : pick('A', 24);
    s += digits ? pick('0', 10) : pick('A', 24);
  }
  return s;
}

// Fixed-width 'S' text, as numpy holds it.
struct Texts {
  std::vector<char> bytes;
  std::size_t width = 10;
  explicit Texts(const std::vector<std::string>& all) : bytes(all.size() * 10, '\0') {
    for (std::size_t i = 0; i < all.size(); ++i) all[i].copy(&bytes[i * width], std::min(all[i].size(), width));
  }
  Column column() const { return {bytes.data(), static_cast<std::ptrdiff_t>(width), width, 1}; }
};

TEST(Batch, PathsAgreeWithTheCore) {
  std::mt19937_64 random(28);
  std::vector<std::string> bases, targets;
  for (int i = 0; i < 1000000; ++i) {
    bases.push_back(RandomLocator(random, 2 + 2 * static_cast<int>(random() % 5)));
    targets.push_back(RandomLocator(random, 2 + 2 * static_cast<int>(random() % 5)));
  }
  // Where the formulas are ill-conditioned: on one meridian, at the poles,
  // antipodes, neighbours, and the same cell.
  for (const auto& [b, t] : {std::pair{"JN18EU", "JN18EV"}, {"JN18EU", "JN88EU"}, {"JJ00AA", "AI09AX"}, {"AA00AA", "RR99XX"},
                             {"JN18EU", "JN18EU"}, {"JR09AX", "AR09AX"}, {"JN18EU55AA", "JN18EU55AB"}, {"KN12KR", "KN13KX"},
                             {"IO91WM", "QF56OD"}, {"JN18", "JN18EU"}, {"JJ", "II"}})
    bases.push_back(b), targets.push_back(t);
  const Texts b(bases), t(targets);
  const std::size_t n = bases.size();
  for (const PathOptions o : {PathOptions{false, false, false}, PathOptions{false, false, true},
                              PathOptions{true, false, false}, PathOptions{true, false, true}}) {
    std::vector<double> azimuth(n), km(n);
    Paths(b.column(), t.column(), n, o, azimuth.data(), km.data(), 2);
    double worstKm = 0, worstAzimuth = 0;
    for (std::size_t i = 0; i < n; ++i) {
      double coreAzimuth, coreKm;
      CorePath(ReadCell(b.column(), i), ReadCell(t.column(), i), o, coreAzimuth, coreKm);
      if (o.rounded) {
        ASSERT_EQ(azimuth[i], coreAzimuth) << bases[i] << " " << targets[i];
        ASSERT_EQ(km[i], coreKm) << bases[i] << " " << targets[i];
      } else {
        worstKm = std::max(worstKm, std::fabs(km[i] - coreKm));
        // Azimuths near north compare across 0 and 360.
        const double d = std::fabs(azimuth[i] - coreAzimuth);
        worstAzimuth = std::max(worstAzimuth, std::min(d, 360 - d));
      }
    }
    std::printf("long %d rounded %d: worst difference %.3g km, %.3g degrees\n", o.longPath, o.rounded, worstKm,
                worstAzimuth);
    EXPECT_LE(worstKm, 1e-9) << o.longPath;
    EXPECT_LE(worstAzimuth, 1e-9) << o.longPath;
  }
}

TEST(Batch, ReadingValidCentresAndEncoding) {
  const std::vector<std::string> texts = {" jn18eu ", "JN18EU55AA", "JN", "JN1", "", "ZZ99", "JN18EY", "\tfn20xr"};
  const Texts t(texts);
  bool valid[8];
  Valid(t.column(), 8, valid, 1);
  const bool expected[8] = {true, true, true, false, false, false, false, true};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(valid[i], expected[i]) << texts[i];
  double lat[8], lon[8];
  Centres(t.column(), 8, lat, lon, 1);
  EXPECT_EQ(lat[0], 48.854166666666664);
  EXPECT_EQ(lon[0], 2.375);
  EXPECT_TRUE(std::isnan(lat[3]) && std::isnan(lon[4]));
  // UCS-4 text, one element repeated (a stride of 0).
  const std::u32string wide = U"Jn18eU\u00e9\u00e9\u00e9\u00e9";
  EXPECT_EQ(ReadCell({reinterpret_cast<const char*>(wide.data()), 0, 6, 4}, 5).length, 6);
  EXPECT_EQ(ReadCell({reinterpret_cast<const char*>(wide.data()), 0, 10, 4}, 0).length, 0);  // not ASCII
  const double ys[3] = {48, 48.5, NAN}, xs[3] = {2, 2.25, 0};
  std::uint32_t out[3 * 6];
  Encode(ys, sizeof(double), xs, sizeof(double), 3, 6, out, 1);
  EXPECT_EQ(std::u32string(reinterpret_cast<char32_t*>(out), 12), U"JN18AAJN18DM");
  EXPECT_EQ(out[12], 0u);
}

}  // namespace
}  // namespace morvane::batch
