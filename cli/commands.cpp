#include "cli/commands.h"

#include <GeographicLib/Geodesic.hpp>

#include <cmath>
#include <variant>

#include "cli/position_text.h"
#include "locator/locator.h"

namespace morvane::cli {
namespace {

std::string Join(const std::vector<std::string_view>& words) {
  std::string out;
  for (std::string_view w : words) {
    if (!out.empty()) out += ' ';
    out += w;
  }
  return out;
}

constexpr std::string_view kAmbiguousPosition =
    "a position of more than two words is ambiguous: give LATITUDE LONGITUDE as two words "
    "(48:51:24N 2:21:07E), or each axis with its hemisphere letter (N48 51.400 E2 21.132)";

std::string WrongCount(std::size_t wanted, std::size_t got) {
  return "expected " + std::to_string(wanted) + (wanted == 1 ? " word" : " words") + ", got " +
         std::to_string(got);
}

// --- locator -------------------------------------------------------------

// Whether a word group carries its hemisphere as a letter at one end.
bool LetterAtAnEnd(std::string_view text) {
  const std::string_view t = TrimBlanks(text);
  return !t.empty() && (IsHemisphere(t.front()) || IsHemisphere(t.back()));
}

std::optional<std::string> AnswerLocator(std::vector<std::string_view> words, const Context& c,
                                         Output& out) {
  std::string latText, lonText;
  if (words.size() == 2) {
    latText = words[0];
    lonText = words[1];
  } else if (words.size() > 2 && words.size() % 2 == 0) {
    // "N48 51.400 E2 21.500" split at blanks: the halves are the two axes,
    // but only when letters say so; "48 51 24 2.35" could be cut anywhere.
    const std::size_t half = words.size() / 2;
    latText = Join({words.begin(), words.begin() + static_cast<std::ptrdiff_t>(half)});
    lonText = Join({words.begin() + static_cast<std::ptrdiff_t>(half), words.end()});
    if (!LetterAtAnEnd(latText) || !LetterAtAnEnd(lonText)) return std::string(kAmbiguousPosition);
  } else if (words.size() > 2) {
    return std::string(kAmbiguousPosition);
  } else {
    return WrongCount(2, words.size()) + " (LATITUDE LONGITUDE)";
  }
  const auto lat = ParseAxis(latText, Axis::Latitude);
  if (const auto* e = std::get_if<std::string>(&lat)) return *e;
  const auto lon = ParseAxis(lonText, Axis::Longitude);
  if (const auto* e = std::get_if<std::string>(&lon)) return *e;
  const ParsedAxis& la = std::get<ParsedAxis>(lat);
  const ParsedAxis& lo = std::get<ParsedAxis>(lon);
  // A position in decimal degrees is checked against the grid alone: the
  // window's limits of 89 and 179 belong to its whole-degree boxes.
  TypedAxis latRange = la.typed, lonRange = lo.typed;
  if (la.degreesOnly) latRange.degrees = 0;
  if (lo.degreesOnly) lonRange.degrees = 0;
  if (const auto r = CheckRanges(latRange, lonRange)) return std::string(r->message);
  // The exact cell of the digits typed: a position on a grid line is in the
  // cell north and east of it.
  const auto y = FinestCell(la.decimal, la.far, GridAxis::Latitude);
  if (!y) return std::string(kLatitudeOffGrid);
  const auto x = FinestCell(lo.decimal, lo.far, GridAxis::Longitude);
  if (!x) return std::string(kLongitudeOffGrid);
  const std::string locator = LocatorOfCell(*y, *x, static_cast<std::size_t>(c.options.precision));
  if (c.options.json) {
    out << "{\"input\": " << JsonString(latText + " " + lonText) << ", \"locator\": \"" << locator << "\"}";
  } else {
    out << latText << '\t' << lonText << '\t' << locator;
  }
  out.EndLine();
  return std::nullopt;
}

// --- position ------------------------------------------------------------

struct ShownAxis {
  std::string_view hemisphere;
  long long degrees, minutes;
  double seconds;
};

ShownAxis FromUnits(std::int64_t units, std::string_view positive, std::string_view negative) {
  const std::int64_t a = units < 0 ? -units : units;
  const std::int64_t perMinute = 60 * CellCentre::kUnitsPerSecond;
  return {units < 0 ? negative : positive, a / CellCentre::kUnitsPerDegree,
          (a % CellCentre::kUnitsPerDegree) / perMinute,
          double(a % perMinute) / double(CellCentre::kUnitsPerSecond)};
}

void WriteAxisJson(Output& out, const ShownAxis& a) {
  out << "{\"hemisphere\": \"" << a.hemisphere << "\", \"degrees\": " << std::to_string(a.degrees)
      << ", \"minutes\": " << std::to_string(a.minutes) << ", \"seconds\": " << Number(a.seconds) << '}';
}

void WriteAxisText(Output& out, const ShownAxis& a) {
  out << a.hemisphere << '\t' << std::to_string(a.degrees) << '\t' << std::to_string(a.minutes) << '\t'
      << Number(a.seconds);
}

std::optional<std::string> AnswerPosition(const std::vector<std::string_view>& words, const Context& c,
                                          Output& out) {
  if (words.size() != 1) return WrongCount(1, words.size()) + " (LOCATOR)";
  const auto locator = ReadLocator(words[0]);
  if (!locator) return std::string(kLocatorIncorrect);
  const CellCentre centre = LocatorCentre(*locator);
  ShownAxis lat, lon;
  if (locator->size() == 6) {
    // Six characters: exactly what the second page shows.
    const DmsPosition p = LocatorToDms(*locator);
    lat = {p.latitude.hemisphere, p.latitude.degrees, p.latitude.minutes, double(p.latitude.seconds)};
    lon = {p.longitude.hemisphere, p.longitude.degrees, p.longitude.minutes, double(p.longitude.seconds)};
  } else {
    lat = FromUnits(centre.latitudeUnits, "North", "South");
    lon = FromUnits(centre.longitudeUnits, "East", "West");
  }
  if (c.options.json) {
    out << "{\"locator\": \"" << *locator << "\", \"latitude\": ";
    WriteAxisJson(out, lat);
    out << ", \"longitude\": ";
    WriteAxisJson(out, lon);
    out << ", \"lat\": " << Number(centre.latitudeDegrees()) << ", \"lon\": "
        << Number(centre.longitudeDegrees()) << '}';
  } else {
    out << *locator << '\t';
    WriteAxisText(out, lat);
    out << '\t';
    WriteAxisText(out, lon);
    out << '\t' << Number(centre.latitudeDegrees()) << '\t' << Number(centre.longitudeDegrees());
  }
  out.EndLine();
  return std::nullopt;
}

// --- path ----------------------------------------------------------------

std::optional<std::string> AnswerPath(const std::vector<std::string_view>& words, const Context& c,
                                      Output& out) {
  const Options& o = c.options;
  const std::size_t wanted = o.home ? 1 : 2;
  if (words.size() != wanted) return WrongCount(wanted, words.size()) + (o.home ? " (TARGET)" : " (BASE TARGET)");
  const std::string baseText = o.home ? c.homeBase : UpperCase(TrimBlanks(words[0]));
  const std::string targetText = UpperCase(TrimBlanks(words[wanted - 1]));
  if (baseText == targetText) return std::string("The two QRA locators are equal. No calculation can be done");
  const auto base = ReadLocator(baseText);
  if (!base) return std::string(kLocatorIncorrect) + " (base)";
  const auto target = ReadLocator(targetText);
  if (!target) return std::string(kLocatorIncorrect) + " (target)";

  const PathResult r = ComputePath(*base, *target, o.longPath, o.ellipsoid, o.miles);
  const std::string azimuth = ShownResult(r.azimuth, o.ellipsoid);
  const std::string distance = ShownResult(r.distance, o.ellipsoid && !o.miles);
  const std::string_view unit = o.miles ? "mi" : "km";
  if (o.json) {
    out << "{\"base\": \"" << *base << "\", \"target\": \"" << *target << "\", \"azimuth\": " << azimuth
        << ", \"distance\": " << distance << ", \"unit\": \"" << unit << '"';
    if (o.ellipsoid) out << ", \"model\": \"wgs84\"";
    if (o.longPath) out << ", \"path\": \"long\"";
    out << '}';
  } else {
    out << *base << '\t' << *target << '\t' << azimuth << '\t' << distance << '\t' << unit;
  }
  out.EndLine();
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadLocator(std::string_view text) {
  std::string upper = UpperCase(TrimBlanks(text));
  if (!CheckLocatorOfLength(upper)) return std::nullopt;
  return upper;
}

std::string ShownResult(double value, bool ellipsoid) {
  if (!ellipsoid) return Shown(value);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

PathResult ComputePath(std::string_view base, std::string_view target, bool longPath,
                       bool ellipsoid, bool miles) {
  return PathComputer(longPath, ellipsoid, miles)(base, target);
}

PathComputer::PathComputer(bool longPath, bool ellipsoid, bool miles)
    : longPath_(longPath), ellipsoid_(ellipsoid), miles_(miles) {}

PathResult PathComputer::operator()(std::string_view base, std::string_view target) {
  PathResult r{};
  if (ellipsoid_) {
    const CellCentre b = LocatorCentre(base), t = LocatorCentre(target);
    double metres = 0, azi1 = 0, azi2 = 0;
    GeographicLib::Geodesic::WGS84().Inverse(b.latitudeDegrees(), b.longitudeDegrees(), t.latitudeDegrees(),
                                             t.longitudeDegrees(), metres, azi1, azi2);
    double azimuth = std::round((azi1 < 0 ? azi1 + 360 : azi1) * 10) / 10;
    if (azimuth >= 360) azimuth -= 360;
    r = {azimuth + 0.0, std::round(metres / 100) / 10};
  } else {
    if (!from_ || base != base_) {
      from_.emplace(LocatorOfLengthToRadians(base));
      base_.assign(base);
    }
    const AzimuthDistance a = from_->To(LocatorOfLengthToRadians(target));
    r = {a.azimuth, a.kilometres};
    if (longPath_) {
      // The rest of the great circle, the other way round, rounded once.
      r.azimuth = std::fmod(a.azimuth + 180, 360);
      r.distance = RoundHalfUp(kEarthCircumferenceKm - a.exactKilometres);
    }
  }
  if (miles_) r.distance = KmToMiles(r.distance);
  return r;
}

std::vector<std::string_view> SplitLine(std::string_view line) {
  std::vector<std::string_view> words;
  SplitLine(line, words);
  return words;
}

void SplitLine(std::string_view line, std::vector<std::string_view>& words) {
  words.clear();
  const char separator = line.find('\t') != std::string_view::npos ? '\t'
                         : line.find(',') != std::string_view::npos ? ','
                                                                    : ' ';
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = line.find(separator, start);
    const std::string_view word = TrimBlanks(line.substr(start, end == std::string_view::npos ? end : end - start));
    if (!word.empty() || separator != ' ') words.push_back(word);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (words.size() == 1 && words[0].empty()) words.clear();
}

std::optional<std::string> Answer(Command command, const std::vector<std::string_view>& words,
                                  const Context& context, Output& out) {
  switch (command) {
    case Command::Locator: return AnswerLocator(words, context, out);
    case Command::Position: return AnswerPosition(words, context, out);
    case Command::Path: return AnswerPath(words, context, out);
    case Command::Adif:
    case Command::Edi:
    case Command::Rotate:
    case Command::Listen: break;
  }
  return std::string("not a case command");
}

std::string_view HeaderLine(Command command) {
  switch (command) {
    case Command::Locator: return "latitude\tlongitude\tlocator";
    case Command::Position:
      return "locator\tlat_hemisphere\tlat_degrees\tlat_minutes\tlat_seconds\t"
             "lon_hemisphere\tlon_degrees\tlon_minutes\tlon_seconds\tlat\tlon";
    case Command::Path: return "base\ttarget\tazimuth\tdistance\tunit";
    case Command::Adif:
    case Command::Edi:
    case Command::Rotate:
    case Command::Listen: break;
  }
  return {};
}

void WriteRefusal(std::string_view input, std::string_view message, const Context& context, Output& out) {
  if (context.options.json)
    out << "{\"input\": " << JsonString(input) << ", \"error\": " << JsonString(message) << '}';
  else
    out << input << "\terror: " << message;
  out.EndLine();
}

}  // namespace morvane::cli
