#include "contest/band.h"

#include <cctype>

#include "locator/ascii.h"

namespace morvane::contest {
namespace {

// The VHF-and-up contest bands: their edges in MHz (wide enough for the
// frequency a logger may write, 145 or 435) and the name they go by.
struct BandRange {
  double low, high;
  const char* name;
  const char* wavelengths[2];
};
constexpr BandRange kBands[] = {
    {50, 54, "50 MHz", {"6M", ""}},
    {69, 71, "70 MHz", {"4M", ""}},
    {144, 148, "144 MHz", {"2M", ""}},
    {420, 450, "432 MHz", {"70CM", ""}},
    {1240, 1300, "1.3 GHz", {"23CM", ""}},
    {2300, 2450, "2.3 GHz", {"13CM", ""}},
    {3300, 3500, "3.4 GHz", {"9CM", ""}},
    {5650, 5850, "5.7 GHz", {"6CM", ""}},
    {10000, 10500, "10 GHz", {"3CM", ""}},
    {24000, 24250, "24 GHz", {"1.2CM", "1,2CM"}},
    {47000, 47200, "47 GHz", {"6MM", ""}},
    {75500, 81500, "76 GHz", {"4MM", ""}},
    {119980, 123000, "122 GHz", {"2.5MM", "2,5MM"}},
    {134000, 149000, "134 GHz", {"2MM", ""}},
    {241000, 250000, "241 GHz", {"1MM", ""}},
};

}  // namespace

Band NormaliseBand(std::string_view pband) {
  std::string text;
  for (char c : pband)
    if (c != ' ' && c != '\t' && c != '\r') text += Upper(c);
  for (const BandRange& b : kBands)
    for (const char* w : b.wavelengths)
      if (*w && text == w) return {b.name, true, b.low};
  // A number, "." or "," as its decimal mark, then a unit or none.
  std::size_t i = 0;
  double value = 0, scale = 0;
  for (; i < text.size() && i < 12; ++i) {
    const char c = text[i];
    if ((c == '.' || c == ',') && scale == 0) {
      scale = 1;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      if (scale > 0) scale /= 10;
      value = scale > 0 ? value + (c - '0') * scale : value * 10 + (c - '0');
    } else {
      break;
    }
  }
  const std::string unit = text.substr(i);
  double mhz = -1;
  if (i > 0 && (unit == "MHZ" || unit == "M" || unit.empty())) mhz = unit.empty() && value < 50 ? value * 1000 : value;
  if (i > 0 && (unit == "GHZ" || unit == "G")) mhz = value * 1000;
  for (const BandRange& b : kBands)
    if (mhz >= b.low && mhz <= b.high) return {b.name, true, b.low};
  // "1.3 GHz" is 1300 MHz, but "1,2 GHz" or "1.2" mean the same band.
  if (mhz >= 1200 && mhz < 1240) return {"1.3 GHz", true, 1240};
  return {std::string(pband), false, 0};
}

}  // namespace morvane::contest
