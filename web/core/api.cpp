// The locator core for the web edition: the same sources as the desktop,
// behind a C interface that JavaScript can call. Each function answers in a
// short text (fields separated by '|'), valid until the next call.
#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#else
// Built natively too, so that a test can hold the two builds side by side.
#define EMSCRIPTEN_KEEPALIVE
#endif

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "web/core/api.h"

#include "locator/locator.h"

namespace {

using namespace morvane;

std::string answer;

const char* Answer(std::string text) {
  answer = std::move(text);
  return answer.c_str();
}

// A double as the shortest text that reads back the same ("%.17g" is
// exact; JavaScript's Number() reads it back bit for bit).
std::string Exact(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

// Seconds to the ten-thousandth, the precision of every centre, with no
// trailing zeros ("7.5", "0.3125", "15").
std::string Seconds(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", v);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

extern "C" {

// The range rules in the order the first page checks its boxes:
// "field|message" a line (mv_breaks applies them). Fields: 0..2 latitude
// degrees, minutes, seconds; 3..5 the same for longitude.
EMSCRIPTEN_KEEPALIVE const char* mv_range_rules() {
  std::string out;
  for (const RangeRule& r : kRangeRules) out += std::to_string(int(r.field)) + "|" + std::string(r.message) + "\n";
  return Answer(out);
}

// Whether a value breaks the rule of its box (the first page's check).
EMSCRIPTEN_KEEPALIVE int mv_breaks(int field, double value) {
  for (const RangeRule& r : kRangeRules)
    if (int(r.field) == field) return Breaks(r, value) ? 1 : 0;
  return 0;
}

// The first page after its range checks: "ok|LOCATOR", or "refused|field|message"
// when the position lies off the grid. length: 2, 4, 6, 8 or 10.
EMSCRIPTEN_KEEPALIVE const char* mv_encode(double latD, double latM, double latS, int south, double lonD, double lonM,
                                           double lonS, int west, int length) {
  const TypedAxis lat{latD, latM, latS}, lon{lonD, lonM, lonS};
  if (const auto refusal = CheckInGrid(lat, south, lon, west))
    return Answer("refused|" + std::to_string(int(refusal->field)) + "|" + std::string(refusal->message));
  const auto locator = EncodeLocatorOfLength(lat, south, lon, west, std::size_t(length));
  // Should the check and the encoder ever disagree: off the grid, not a crash.
  if (!locator) return Answer("refused|0|" + std::string(kLatitudeOffGrid));
  return Answer("ok|" + *locator);
}

// The first page, exactly: the cell of the decimal value the boxes' digits
// denote (no sign; the page folds a minus on the degrees into south and
// west). "ok|LOCATOR", or "refused|field|message" off the grid.
EMSCRIPTEN_KEEPALIVE const char* mv_encode_exact(const char* latD, const char* latM, const char* latS, int south,
                                                 const char* lonD, const char* lonM, const char* lonS, int west,
                                                 int length) {
  const auto locator = EncodeExactLocator({latD, latM, latS}, south, {lonD, lonM, lonS}, west, std::size_t(length));
  if (locator) return Answer("ok|" + *locator);
  // Off the grid: the box to retype is the one whose value took the
  // position over the edge, as the first page's check names it.
  const bool latitude = !FinestCell({latD, latM, latS}, south, GridAxis::Latitude);
  const auto number = [](const char* s) { return std::strtod(s, nullptr); };
  const auto refusal = CheckInGrid({number(latD), number(latM), number(latS)}, south,
                                   {number(lonD), number(lonM), number(lonS)}, west);
  const int field = refusal && (int(refusal->field) < 3) == latitude ? int(refusal->field) : latitude ? 0 : 3;
  return Answer("refused|" + std::to_string(field) + "|" +
                std::string(latitude ? kLatitudeOffGrid : kLongitudeOffGrid));
}

// The exact cell of a point in decimal degrees (north and east positive),
// or "" off the grid: a tap on the map, the browser's position.
EMSCRIPTEN_KEEPALIVE const char* mv_locator_at(double latitude, double longitude, int length) {
  const auto locator = EncodeExactLocator(latitude, longitude, std::size_t(length));
  return Answer(locator ? *locator : "");
}

// The second page, for a locator of 2, 4, 6, 8 or 10 characters (upper
// case): "hemisphere|degrees|minutes|seconds" for latitude then longitude,
// then the centre in decimal degrees, or "" when the text is not one. Six
// characters give the window's whole seconds; the others their exact centre.
EMSCRIPTEN_KEEPALIVE const char* mv_locator_to_dms(const char* text) {
  if (!CheckLocatorOfLength(text)) return Answer("");
  const ShownCentrePosition p = ShownCentre(text);
  const auto axis = [](const CentreAxis& a) {
    return std::string(a.hemisphere) + "|" + std::to_string(a.degrees) + "|" + std::to_string(a.minutes) + "|" +
           Seconds(a.seconds);
  };
  return Answer(axis(p.latitude) + "|" + axis(p.longitude) + "|" + Exact(p.centre.latitudeDegrees()) + "|" +
                Exact(p.centre.longitudeDegrees()));
}

// Whether a text is a locator of 2, 4, 6, 8 or 10 characters (upper case).
EMSCRIPTEN_KEEPALIVE int mv_check(const char* text) { return CheckLocatorOfLength(text) ? 1 : 0; }

// The third page, for two accepted locators: "azimuth|km|miles" of the
// short path, the same of the long path, then the short path's azimuth and
// distance before rounding (the map draws along them).
EMSCRIPTEN_KEEPALIVE const char* mv_path(const char* base, const char* target) {
  const AzimuthDistance r = ComputeAzimuthDistance(LocatorOfLengthToRadians(base), LocatorOfLengthToRadians(target));
  const LongPathResult l = LongPath(r);
  return Answer(Exact(r.azimuth) + "|" + Exact(r.kilometres) + "|" + Exact(KmToMiles(r.kilometres)) + "|" +
                Exact(l.azimuth) + "|" + Exact(l.kilometres) + "|" + Exact(KmToMiles(l.kilometres)) + "|" +
                Exact(r.exactAzimuth) + "|" + Exact(r.exactKilometres));
}

// A pasted position in any form the command line reads ("48.8566, 2.3522",
// "N48 51.400 E2 21.132"): "ok|LOCATOR|" then each axis's degrees, minutes,
// seconds as typed and 1 for South or West, or "refused|message".
EMSCRIPTEN_KEEPALIVE const char* mv_read_position(const char* text, int length) {
  std::vector<std::string_view> words;
  SplitWords(text, words);
  const auto read = ReadPosition(words);
  if (const auto* message = std::get_if<std::string>(&read)) return Answer("refused|" + *message);
  const ReadPositionResult& p = std::get<ReadPositionResult>(read);
  const auto axis = [](const ReadPositionResult::Digits& d) {
    return d.degrees + "|" + d.minutes + "|" + d.seconds + "|" + (d.far ? "1" : "0");
  };
  return Answer("ok|" + LocatorOfCell(p.latitudeCell, p.longitudeCell, std::size_t(length)) + "|" +
                axis(p.latitude) + "|" + axis(p.longitude));
}

// The centre of a locator of 2 to 10 characters in decimal degrees,
// "latitude|longitude", or "" when it is not one: the ends of the map's path.
EMSCRIPTEN_KEEPALIVE const char* mv_centre(const char* text) {
  if (!CheckLocatorOfLength(text)) return Answer("");
  const CellCentre c = LocatorCentre(text);
  return Answer(Exact(c.latitudeDegrees()) + "|" + Exact(c.longitudeDegrees()));
}

// The Earth's circumference in km, as the distances are computed with it
// (the map's rings).
EMSCRIPTEN_KEEPALIVE double mv_earth_circumference_km() { return kEarthCircumferenceKm; }

// Kilometres in miles as the window shows them (the map's ring labels).
EMSCRIPTEN_KEEPALIVE double mv_km_to_miles(double kilometres) { return KmToMiles(kilometres); }

// The same computations with no text in between, for the benchmark.
EMSCRIPTEN_KEEPALIVE double mv_path_kilometres(const char* base, const char* target) {
  return ComputeAzimuthDistance(LocatorToRadians(base), LocatorToRadians(target)).kilometres;
}

}  // extern "C"
