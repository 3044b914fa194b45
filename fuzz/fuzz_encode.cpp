// EncodeLocator on any six doubles and two hemisphere choices (NaN,
// infinities, huge values, -0.0, subnormals): a locator of the grid or none.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "locator/locator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane;
  double v[6];
  if (size < sizeof v + 1) return 0;
  std::memcpy(v, data, sizeof v);
  const bool south = data[sizeof v] & 1;
  const bool west = data[sizeof v] & 2;
  const auto locator = EncodeLocator({v[0], v[1], v[2]}, south, {v[3], v[4], v[5]}, west);
  if (locator && (locator->size() != 6 || !CheckLocator(*locator))) std::abort();
  return 0;
}
