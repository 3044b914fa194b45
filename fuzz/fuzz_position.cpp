// The command line's position parser on any text: it ends, and whatever it
// accepts and the first page's rules pass encodes to a valid locator of
// every length, by the steps and, where its digits lie on the grid, exactly.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "cli/position_text.h"
#include "locator/exact_cell.h"
#include "locator/precision.h"
#include "locator/typed_position.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = text.find('\t');
  const auto lat = cli::ParseAxis(text.substr(0, cut), cli::Axis::Latitude);
  const auto lon = cli::ParseAxis(cut == std::string_view::npos ? "0" : text.substr(cut + 1), cli::Axis::Longitude);
  const auto* la = std::get_if<cli::ParsedAxis>(&lat);
  const auto* lo = std::get_if<cli::ParsedAxis>(&lon);
  if (!la || !lo) return 0;
  for (const auto* a : {la, lo})
    if (a->typed.degrees < 0 || a->typed.minutes < 0 || a->typed.seconds < 0) std::abort();
  if (CheckRanges(la->typed, lo->typed) || CheckInGrid(la->typed, la->far, lo->typed, lo->far)) return 0;
  for (std::size_t length : {2u, 4u, 6u, 8u, 10u}) {
    const auto locator = EncodeLocatorOfLength(la->typed, la->far, lo->typed, lo->far, length);
    if (!locator || !CheckLocatorOfLength(*locator)) std::abort();
    const auto exact = EncodeExactLocator(la->decimal, la->far, lo->decimal, lo->far, length);
    if (exact && !CheckLocatorOfLength(*exact)) std::abort();
  }
  return 0;
}
