#include "cli/commands.h"

#include <GeographicLib/Geodesic.hpp>

#include <cmath>
#include <variant>

#include "cli/position_text.h"
#include "locator/locator.h"

namespace morvane::cli {
namespace {

std::string WrongCount(std::size_t wanted, std::size_t got) {
  return "expected " + std::to_string(wanted) + (wanted == 1 ? " word" : " words") + ", got " +
         std::to_string(got);
}

// --- locator -------------------------------------------------------------

std::optional<std::string> AnswerLocator(std::vector<std::string_view> words, const Context& c,
                                         Output& out) {
  const auto read = ReadPosition(words);
  if (const auto* e = std::get_if<std::string>(&read)) return *e;
  const ReadPositionResult& p = std::get<ReadPositionResult>(read);
  const std::string locator = LocatorOfCell(p.latitudeCell, p.longitudeCell, static_cast<std::size_t>(c.options.precision));
  if (c.options.json) {
    out << "{\"input\": " << JsonString(p.latitudeText + " " + p.longitudeText) << ", \"locator\": \"" << locator << "\"}";
  } else {
    out << p.latitudeText << '\t' << p.longitudeText << '\t' << locator;
  }
  out.EndLine();
  return std::nullopt;
}

// --- position ------------------------------------------------------------

void WriteAxisJson(Output& out, const CentreAxis& a) {
  out << "{\"hemisphere\": \"" << a.hemisphere << "\", \"degrees\": " << std::to_string(a.degrees)
      << ", \"minutes\": " << std::to_string(a.minutes) << ", \"seconds\": " << Number(a.seconds) << '}';
}

void WriteAxisText(Output& out, const CentreAxis& a) {
  out << a.hemisphere << '\t' << std::to_string(a.degrees) << '\t' << std::to_string(a.minutes) << '\t'
      << Number(a.seconds);
}

std::optional<std::string> AnswerPosition(const std::vector<std::string_view>& words, const Context& c,
                                          Output& out) {
  if (words.size() != 1) return WrongCount(1, words.size()) + " (LOCATOR)";
  const auto locator = ReadLocator(words[0]);
  if (!locator) return std::string(kLocatorIncorrect);
  const auto [lat, lon, centre] = ShownCentre(*locator);
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
      const LongPathResult l = LongPath(a);
      r = {l.azimuth, l.kilometres};
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

void SplitLine(std::string_view line, std::vector<std::string_view>& words) { SplitWords(line, words); }

std::optional<std::string> Answer(Command command, const std::vector<std::string_view>& words,
                                  const Context& context, Output& out) {
  switch (command) {
    case Command::Locator: return AnswerLocator(words, context, out);
    case Command::Position: return AnswerPosition(words, context, out);
    case Command::Path: return AnswerPath(words, context, out);
    case Command::Adif:
    case Command::Edi:
    case Command::Rotate:
    case Command::Listen:
    case Command::Crosscheck: break;
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
    case Command::Listen:
    case Command::Crosscheck: break;
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
