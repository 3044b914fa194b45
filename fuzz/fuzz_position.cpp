// The position reader on any text: it ends, and whatever it accepts and the
// first page's rules pass encodes to a valid locator of every length, by the
// steps and, where its digits lie on the grid, exactly. The whole text read
// as a pasted position gives cells on the grid, and digits that read back
// to the same cells.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>
#include <vector>

#include "locator/position_text.h"
#include "locator/exact_cell.h"
#include "locator/precision.h"
#include "locator/typed_position.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> words;
  SplitWords(text, words);
  const auto whole = ReadPosition(words);
  if (const auto* p = std::get_if<ReadPositionResult>(&whole)) {
    if (!CheckLocatorOfLength(LocatorOfCell(p->latitudeCell, p->longitudeCell, 10))) std::abort();
    const auto cell = [](const ReadPositionResult::Digits& d, GridAxis axis) {
      return FinestCell(DecimalAxis{d.degrees, d.minutes, d.seconds}, d.far, axis);
    };
    if (cell(p->latitude, GridAxis::Latitude) != p->latitudeCell ||
        cell(p->longitude, GridAxis::Longitude) != p->longitudeCell)
      std::abort();
  }
  const std::size_t cut = text.find('\t');
  const auto lat = ParseAxis(text.substr(0, cut), Axis::Latitude);
  const auto lon = ParseAxis(cut == std::string_view::npos ? "0" : text.substr(cut + 1), Axis::Longitude);
  const auto* la = std::get_if<ParsedAxis>(&lat);
  const auto* lo = std::get_if<ParsedAxis>(&lon);
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
