// ns per call of the core operations, each beside a hand-inlined copy of the
// same steps in the same order (the floor on this machine). Run:
//   build/locator_bench
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "locator/locator.h"

namespace {

using namespace morvane;

constexpr int kInputs = 4096;

struct Typed {
  TypedAxis lat, lon;
  bool south, west;
};

const std::vector<Typed>& TypedInputs() {
  static const std::vector<Typed> inputs = [] {
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> lat(0, 89.9), lon(0, 179.9), m(0, 59.9);
    std::vector<Typed> v;
    for (int i = 0; i < kInputs; ++i)
      v.push_back({{lat(rng), m(rng), m(rng)}, {lon(rng), m(rng), m(rng)}, bool(rng() & 1), bool(rng() & 1)});
    return v;
  }();
  return inputs;
}

const std::vector<std::string>& Locators() {
  static const std::vector<std::string> inputs = [] {
    std::mt19937 rng(2);
    std::vector<std::string> v;
    for (int i = 0; i < kInputs; ++i)
      v.push_back({char('A' + rng() % 18), char('A' + rng() % 18), char('0' + rng() % 10),
                   char('0' + rng() % 10), char('A' + rng() % 24), char('A' + rng() % 24)});
    return v;
  }();
  return inputs;
}

void BM_EncodeLocator(benchmark::State& state) {
  const auto& in = TypedInputs();
  std::size_t i = 0;
  for (auto _ : state) {
    const Typed& t = in[i++ % kInputs];
    benchmark::DoNotOptimize(EncodeLocator(t.lat, t.south, t.lon, t.west));
  }
}
BENCHMARK(BM_EncodeLocator);

// The same positions as typed: whole degrees and minutes, seconds with six
// decimals.
const std::vector<std::array<std::string, 6>>& TypedTexts() {
  static const std::vector<std::array<std::string, 6>> texts = [] {
    std::vector<std::array<std::string, 6>> v;
    char s[2][32];
    for (const Typed& t : TypedInputs()) {
      std::snprintf(s[0], sizeof s[0], "%.6f", t.lat.seconds);
      std::snprintf(s[1], sizeof s[1], "%.6f", t.lon.seconds);
      v.push_back({std::to_string(int(t.lat.degrees)), std::to_string(int(t.lat.minutes)), s[0],
                   std::to_string(int(t.lon.degrees)), std::to_string(int(t.lon.minutes)), s[1]});
    }
    return v;
  }();
  return texts;
}

// The exact cell of those texts, from their digits.
void BM_EncodeExactLocator(benchmark::State& state) {
  const auto& texts = TypedTexts();
  const auto& in = TypedInputs();
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ % kInputs;
    const auto& t = texts[k];
    benchmark::DoNotOptimize(
        EncodeExactLocator({t[0], t[1], t[2]}, in[k].south, {t[3], t[4], t[5]}, in[k].west, 6));
  }
}
BENCHMARK(BM_EncodeExactLocator);

// The same texts through today's command line path: each number read as a
// double, then the step-by-step encoder; text in, locator out, as above.
void BM_EncodeTypedText(benchmark::State& state) {
  const auto& texts = TypedTexts();
  const auto& in = TypedInputs();
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ % kInputs;
    double v[6];
    for (int j = 0; j < 6; ++j) std::from_chars(texts[k][j].data(), texts[k][j].data() + texts[k][j].size(), v[j]);
    benchmark::DoNotOptimize(EncodeLocatorOfLength({v[0], v[1], v[2]}, in[k].south, {v[3], v[4], v[5]}, in[k].west, 6));
  }
}
BENCHMARK(BM_EncodeTypedText);

// Decimal degrees as a browser or numpy hands them over, beside
// BM_EncodeLocator of the same doubles as degrees alone.
void BM_EncodeDegrees(benchmark::State& state) {
  const auto& in = TypedInputs();
  std::size_t i = 0;
  for (auto _ : state) {
    const Typed& t = in[i++ % kInputs];
    benchmark::DoNotOptimize(EncodeLocator({t.lat.degrees, 0, 0}, t.south, {t.lon.degrees, 0, 0}, t.west));
  }
}
BENCHMARK(BM_EncodeDegrees);
// Decimal degrees as a browser or numpy hands them over.
void BM_EncodeExactDouble(benchmark::State& state) {
  const auto& in = TypedInputs();
  std::size_t i = 0;
  for (auto _ : state) {
    const Typed& t = in[i++ % kInputs];
    benchmark::DoNotOptimize(EncodeExactLocator(t.south ? -t.lat.degrees : t.lat.degrees,
                                                t.west ? -t.lon.degrees : t.lon.degrees, 6));
  }
}
BENCHMARK(BM_EncodeExactDouble);

void BM_EncodeFloor(benchmark::State& state) {
  const auto& in = TypedInputs();
  std::size_t i = 0;
  for (auto _ : state) {
    const Typed& t = in[i++ % kInputs];
    double lon = (t.lon.minutes / 60 + t.lon.degrees) + t.lon.seconds / 3600;
    lon = t.west ? 180 - lon : lon + 180;
    lon = lon / 20;
    double lat = (t.lat.minutes / 60 + t.lat.degrees) + t.lat.seconds / 3600;
    lat = t.south ? 90 - lat : lat + 90;
    lat = lat / 10;
    const double a = std::floor(lon), b = std::floor(lat);
    const double lon2 = (lon - a) * 10, lat2 = (lat - b) * 10;
    const double c = std::floor(lon2), d = std::floor(lat2);
    const double e = std::floor((lon2 - c) * 24), f = std::floor((lat2 - d) * 24);
    std::string s(6, ' ');
    s[0] = char(65 + a); s[1] = char(65 + b); s[2] = char(48 + c);
    s[3] = char(48 + d); s[4] = char(65 + e); s[5] = char(65 + f);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_EncodeFloor);

void BM_CheckAndDms(benchmark::State& state) {
  const auto& in = Locators();
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& s = in[i++ % kInputs];
    if (CheckLocator(s)) benchmark::DoNotOptimize(LocatorToDms(s));
  }
}
BENCHMARK(BM_CheckAndDms);

void BM_CheckAndDmsFloor(benchmark::State& state) {
  const auto& in = Locators();
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& s = in[i++ % kInputs];
    bool ok = s.size() >= 6 && s[0] >= 'A' && s[0] <= 'R' && s[1] >= 'A' && s[1] <= 'R' &&
              s[2] >= '0' && s[2] <= '9' && s[3] >= '0' && s[3] <= '9' && s[4] >= 'A' &&
              s[4] <= 'X' && s[5] >= 'A' && s[5] <= 'X';
    if (!ok) continue;
    int latD = 10 * (s[1] - 65) + (s[3] - 48) - 90;
    double latM = 2.5 * (s[5] - 65) + 1.25;
    int lonD = 20 * (s[0] - 65) + 2 * (s[2] - 48) - 180;
    double lonM = 5 * (s[4] - 65) + 2.5;
    if (s[1] < 'J') { latD = -latD - 1; latM = 60 - latM; }
    if (s[0] < 'J') { lonD = -lonD - 2; lonM = 120 - lonM; }
    if (lonM >= 60) { const double w = std::floor(lonM / 60); lonD += int(w); lonM -= 60 * w; }
    const double latS = (latM - std::floor(latM)) * 100 / 1000 * 600;
    const double lonS = (lonM - std::floor(lonM)) * 100 / 1000 * 600;
    int out[6] = {latD, int(std::floor(latM)), int(std::floor(latS)),
                  lonD, int(std::floor(lonM)), int(std::floor(lonS))};
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_CheckAndDmsFloor);

void BM_AzimuthDistance(benchmark::State& state) {
  const auto& in = Locators();
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& a = in[i % kInputs];
    const std::string& b = in[(i * 7 + 1) % kInputs];
    ++i;
    benchmark::DoNotOptimize(ComputeAzimuthDistance(LocatorToRadians(a), LocatorToRadians(b)));
  }
}
BENCHMARK(BM_AzimuthDistance);

// The steps of LocatorToRadians written out: the shown form (whole degrees,
// minutes, seconds per hemisphere), then degrees, then radians.
double InlineAxis(int corner, double centre, bool negative, double span, int edge) {
  int d = corner;
  double m = centre;
  if (negative) { d = -d - edge; m = span - m; }
  if (m >= 60) { const double w = std::floor(m / 60); d += int(w); m -= 60 * w; }
  const double sec = (m - std::floor(m)) * 100 / 1000 * 600;
  return (std::floor(double(d)) + std::floor(m) / 60) + std::floor(sec) / 3600;
}

GeoRadians InlineRadians(const std::string& s) {
  double lat = InlineAxis(10 * (s[1] - 65) + (s[3] - 48) - 90, 2.5 * (s[5] - 65) + 1.25,
                          s[1] < 'J', 60, 1);
  if (s[1] < 'J') lat = -lat;
  double lon = InlineAxis(20 * (s[0] - 65) + 2 * (s[2] - 48) - 180, 5 * (s[4] - 65) + 2.5,
                          s[0] < 'J', 120, 2);
  if (s[0] >= 'J') lon = -lon;
  return {lat * kPi / 180, lon * kPi / 180};
}

void BM_AzimuthDistanceFloor(benchmark::State& state) {
  const auto& in = Locators();
  std::size_t i = 0;
  for (auto _ : state) {
    const GeoRadians p1 = InlineRadians(in[i % kInputs]);
    const GeoRadians p2 = InlineRadians(in[(i * 7 + 1) % kInputs]);
    ++i;
    const double t1 = kPi / 2 - p1.phi, t2 = kPi / 2 - p2.phi;
    const double g = ((std::cos(p1.lambda - p2.lambda) * std::sin(t2)) * std::sin(t1)) +
                     (std::cos(t1) * std::cos(t2));
    const double c = kPi / 2 - std::atan(g / std::sqrt(1 - g * g));
    const double km = std::floor(((c * kEarthCircumferenceKm) / 2) / kPi + 0.5);
    const double x = ((std::sin(p2.phi) - std::cos(c) * std::sin(p1.phi)) / std::sin(c)) /
                     std::cos(p1.phi);
    double y = 1 - x * x;
    if (y < 0) y = -y;
    const double r = std::nearbyint((kPi / 2 - std::atan(x / std::sqrt(y))) * 180 / kPi);
    double az = p2.lambda - p1.lambda < 0 ? r : 360 - r;
    if (az == 360) az = 0;
    benchmark::DoNotOptimize(az);
    benchmark::DoNotOptimize(km);
  }
}
BENCHMARK(BM_AzimuthDistanceFloor);

}  // namespace

BENCHMARK_MAIN();
