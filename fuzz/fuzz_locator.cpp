// Any bytes, upper-cased as the pages do, through the locator check and the
// decoders; two accepted locators through the azimuth and distance.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "locator/locator.h"

namespace {

std::string UpperCased(const uint8_t* data, size_t size) {
  std::string s(reinterpret_cast<const char*>(data), size);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane;
  // The first byte splits the rest into a base and a target text.
  if (size == 0) return 0;
  const size_t split = data[0] % size;
  const std::string base = UpperCased(data + 1, split);
  const std::string target = UpperCased(data + 1 + split, size - 1 - split);

  bool accepted[2] = {false, false};
  GeoRadians positions[2]{};
  const std::string* texts[2] = {&base, &target};
  for (int i = 0; i < 2; ++i) {
    if (!CheckLocator(*texts[i])) continue;
    accepted[i] = true;
    const DmsPosition p = LocatorToDms(*texts[i]);
    Require(p.latitude.seconds == 15 || p.latitude.seconds == 45);
    Require(p.longitude.seconds == 30);
    Require(p.latitude.degrees >= 0 && p.latitude.degrees <= 89);
    Require(p.longitude.degrees >= 0 && p.longitude.degrees <= 179);
    positions[i] = LocatorToRadians(*texts[i]);
    Require(std::isfinite(positions[i].phi) && std::isfinite(positions[i].lambda));
  }
  if (accepted[0] && accepted[1]) {
    const AzimuthDistance r = ComputeAzimuthDistance(positions[0], positions[1]);
    Require(std::isfinite(r.azimuth) && std::isfinite(r.kilometres));
    Require(!std::signbit(r.azimuth) && r.azimuth <= 359 && r.azimuth == std::floor(r.azimuth));
    Require(!std::signbit(r.kilometres) && r.kilometres <= 20038);
    const double miles = KmToMiles(r.kilometres);
    Require(std::isfinite(miles) && miles >= 0);
  }
  return 0;
}
