// Cases for the web edition's agreement test, with the native core's
// answers: N random typed positions (encoded at every length), N typed and
// N decimal positions encoded exactly, N random locators of every length (decoded) and N
// random pairs of them (short and long paths), one a line:
// KIND, the inputs and the answer, separated by tabs. The test feeds the
// same inputs to the WebAssembly core and expects the same text.
//   web_cases N > cases.tsv
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "web/core/api.h"

namespace {

std::string Locator(std::mt19937& rng, int length) {
  const auto pick = [&](char first, int n) { return char(first + std::uniform_int_distribution<int>(0, n - 1)(rng)); };
  std::string s = {pick('A', 18), pick('A', 18)};
  for (int pair = 1; int(s.size()) < length; ++pair) {
    const bool digits = pair % 2 == 1;
    s += digits ? pick('0', 10) : pick('A', 24);
    s += digits ? pick('0', 10) : pick('A', 24);
  }
  return s;
}

// 2, 4, 6, 8 or 10: the lengths the second and third pages take.
int AnyLength(std::mt19937& rng) { return 2 * std::uniform_int_distribution<int>(1, 5)(rng); }

}  // namespace

// --time N: nanoseconds per mv_path_kilometres over N random pairs, the
// native side of the web benchmark.
int Time(long n) {
  std::mt19937 rng(7);
  std::vector<std::string> pairs;
  for (int i = 0; i < 1000; ++i) pairs.push_back(Locator(rng, 6));
  double sum = 0;
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < n; ++i) sum += mv_path_kilometres(pairs[i % 1000].c_str(), pairs[(i * 7 + 1) % 1000].c_str());
  const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.1f\t%.0f\n", ns / double(n), sum);
  return 0;
}

int main(int argc, char* argv[]) {
  if (argc > 2 && std::string(argv[1]) == "--time") return Time(std::atol(argv[2]));
  const long n = argc > 1 ? std::atol(argv[1]) : 100000;
  std::mt19937 rng(2026);
  std::uniform_real_distribution<double> lat(0, 90), lon(0, 180), sixty(0, 60);
  std::uniform_int_distribution<int> coin(0, 1), whole(0, 3);
  for (long i = 0; i < n; ++i) {
    // Whole degrees and minutes, or fractions anywhere, as people type them.
    const bool fractions = coin(rng);
    const double a = fractions ? lat(rng) : double(whole(rng) * 22), b = fractions ? sixty(rng) : double(whole(rng) * 15);
    const double c = sixty(rng), d = fractions ? lon(rng) : double(whole(rng) * 44), e = sixty(rng), f = sixty(rng);
    const int south = coin(rng), west = coin(rng);
    for (int length : {2, 4, 6, 8, 10})
      std::printf("E\t%.17g\t%.17g\t%.17g\t%d\t%.17g\t%.17g\t%.17g\t%d\t%d\t%s\n", a, b, c, south, d, e, f, west, length,
                  mv_encode(a, b, c, south, d, e, f, west, length));
  }
  // The exact cell: typed digits (on lines, beside them and anywhere), and
  // doubles as a tap or the browser gives them, lines included.
  char text[6][40];
  for (long i = 0; i < n; ++i) {
    const bool onLine = coin(rng);
    const long ms[2] = {std::uniform_int_distribution<long>(0, 90L * 3600000 - 1)(rng),
                        std::uniform_int_distribution<long>(0, 180L * 3600000 - 1)(rng)};
    for (int axis = 0; axis < 2; ++axis) {
      const long v = onLine ? ms[axis] / 625 * 625 + whole(rng) % 3 - 1 : ms[axis];
      const long a = v < 0 ? 0 : v;
      std::snprintf(text[3 * axis], 40, "%ld", a / 3600000);
      std::snprintf(text[3 * axis + 1], 40, "%ld", a % 3600000 / 60000);
      std::snprintf(text[3 * axis + 2], 40, "%ld.%03ld", a % 60000 / 1000, a % 1000);
    }
    const int south = coin(rng), west = coin(rng), length = 2 + 2 * whole(rng);
    std::printf("X\t%s\t%s\t%s\t%d\t%s\t%s\t%s\t%d\t%d\t%s\n", text[0], text[1], text[2], south, text[3], text[4],
                text[5], west, length, mv_encode_exact(text[0], text[1], text[2], south, text[3], text[4], text[5], west, length));
    const double y = onLine ? double(ms[0] / 3600000) * (south ? -1 : 1) : lat(rng) * (south ? -1 : 1);
    const double x = onLine ? double(ms[1] / 3600000) * (west ? -1 : 1) : lon(rng) * (west ? -1 : 1);
    std::printf("A\t%.17g\t%.17g\t%d\t%s\n", y, x, length, mv_locator_at(y, x, length));
  }
  for (long i = 0; i < n; ++i) {
    const std::string l = Locator(rng, AnyLength(rng));
    std::printf("D\t%s\t%s\n", l.c_str(), mv_locator_to_dms(l.c_str()));
  }
  for (long i = 0; i < n; ++i) {
    const std::string b = Locator(rng, AnyLength(rng)), t = Locator(rng, AnyLength(rng));
    std::printf("P\t%s\t%s\t%s\n", b.c_str(), t.c_str(), mv_path(b.c_str(), t.c_str()));
  }
  return 0;
}
