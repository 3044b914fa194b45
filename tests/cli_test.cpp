// morvane-cli's parts without a process: the position parser, the answers of
// each command against the window's numbers, longer and shorter locators.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <tuple>
#include <variant>

#include "cli/commands.h"
#include "cli/position_text.h"
#include "files/replacing_file.h"
#include "locator/locator.h"

namespace morvane::cli {
namespace {

struct AxisCase {
  const char* text;
  Axis axis;
  double degrees, minutes, seconds;
  bool far;
};

TEST(PositionText, FormsPeopleWrite) {
  const AxisCase cases[] = {
      {"48.8566", Axis::Latitude, 48.8566, 0, 0, false},
      {"-2.3522", Axis::Longitude, 2.3522, 0, 0, true},
      {"N48.8566", Axis::Latitude, 48.8566, 0, 0, false},
      {"2.3522W", Axis::Longitude, 2.3522, 0, 0, true},
      {"s33.9", Axis::Latitude, 33.9, 0, 0, true},
      {"48\xc2\xb0" "51'24\"N", Axis::Latitude, 48, 51, 24, false},
      {"48\xc2\xb0" "51\xe2\x80\xb2" "24.5\xe2\x80\xb3S", Axis::Latitude, 48, 51, 24.5, true},
      {"48:51:24N", Axis::Latitude, 48, 51, 24, false},
      {"48d51m24s", Axis::Latitude, 48, 51, 24, false},
      {"002d21m07sW", Axis::Longitude, 2, 21, 7, true},
      {"N48 51.400", Axis::Latitude, 48, 51.4, 0, false},
      {"E002 21.132", Axis::Longitude, 2, 21.132, 0, false},
      {"48 51 24", Axis::Latitude, 48, 51, 24, false},
      {"51'", Axis::Latitude, 0, 51, 0, false},
      {"48\xc2\xb0" "51'24''N", Axis::Latitude, 48, 51, 24, false},
      {"+48.8566", Axis::Latitude, 48.8566, 0, 0, false},
      {"33.9s", Axis::Latitude, 33.9, 0, 0, true},
      {"48D51M24s", Axis::Latitude, 48, 51, 24, false},
      {"48\xc2\xba" "51'24\"N", Axis::Latitude, 48, 51, 24, false},
  };
  for (const AxisCase& c : cases) {
    const auto parsed = ParseAxis(c.text, c.axis);
    ASSERT_TRUE(std::holds_alternative<ParsedAxis>(parsed)) << c.text << ": " << std::get<std::string>(parsed);
    const ParsedAxis& p = std::get<ParsedAxis>(parsed);
    EXPECT_EQ(p.typed.degrees, c.degrees) << c.text;
    EXPECT_EQ(p.typed.minutes, c.minutes) << c.text;
    EXPECT_EQ(p.typed.seconds, c.seconds) << c.text;
    EXPECT_EQ(p.far, c.far) << c.text;
  }
}

TEST(PositionText, AmbiguousOrMalformedIsRefusedNamingTheAxis) {
  const std::pair<const char*, Axis> refused[] = {
      {"N48N", Axis::Latitude},      {"N48.5S", Axis::Latitude},   {"N2.35", Axis::Longitude},
      {"E48", Axis::Latitude},       {"-48N", Axis::Latitude},     {"48,5", Axis::Latitude},
      {"48.5 30", Axis::Latitude},   {"1 2 3 4", Axis::Latitude},  {"48'51\xc2\xb0", Axis::Latitude},
      {"", Axis::Latitude},          {"N", Axis::Latitude},        {"1e3", Axis::Latitude},
      {"inf", Axis::Longitude},      {"4 8x", Axis::Latitude},
  };
  EXPECT_EQ(std::get<std::string>(ParseAxis("1 2 3 4", Axis::Latitude)), "latitude: more than degrees, minutes and seconds");
  for (const auto& [text, axis] : refused) {
    const auto parsed = ParseAxis(text, axis);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << text;
    EXPECT_EQ(std::get<std::string>(parsed).rfind(axis == Axis::Latitude ? "latitude" : "longitude", 0), 0u)
        << text;
  }
}

// Runs one case and returns the line written, or "!" and the refusal.
std::string Answered(Command command, std::vector<std::string_view> words, Options options = {}) {
  std::FILE* file = std::tmpfile();
  std::string line;
  {
    Output out(file);
    const auto refusal = Answer(command, words, Context{options, ""}, out);
    if (refusal) line = "!" + *refusal;
  }
  std::rewind(file);
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, file)) line += buffer;
  std::fclose(file);
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

TEST(Commands, PathGivesTheAzimuthPagesNumbers) {
  const struct {
    const char *base, *target, *azimuth, *km, *miles;
  } pairs[] = {
      {"JN18AA", "JN19AA", "0", "111", "68.98"},      {"JJ00AA", "JJ10AA", "90", "223", "138.59"},
      {"JJ00AA", "JI09AX", "180", "5", "3.1"},        {"IO91WM", "JN18DU", "149", "343", "213.17"},
      {"JN18EU", "FN20XR", "292", "5847", "3633.93"}, {"FN20XR", "JN18EU", "54", "5847", "3633.93"},
      {"QF56OD", "IO91WM", "319", "17011", "10572.4"}, {"JJ00AA", "AI09AX", "0", "20038", "12453.69"},
      {"AL00AA", "RL90XA", "270", "9", "5.59"},       {"rl90xa", "al00aa", "90", "9", "5.59"},
  };
  for (const auto& p : pairs) {
    const std::string base = std::string(p.base), target = std::string(p.target);
    Options miles;
    miles.miles = true;
    const std::string upper = Answered(Command::Position, {base}).substr(0, 6);
    EXPECT_EQ(Answered(Command::Path, {base, target}),
              upper + "\t" + Answered(Command::Position, {target}).substr(0, 6) + "\t" + p.azimuth + "\t" + p.km + "\tkm");
    EXPECT_NE(Answered(Command::Path, {base, target}, miles).find(std::string("\t") + p.miles + "\tmi"), std::string::npos);
  }
  EXPECT_EQ(Answered(Command::Path, {"jn18eu", "JN18EU"}), "!The two QRA locators are equal. No calculation can be done");
  EXPECT_EQ(Answered(Command::Path, {" JN18EU ", "FN20XR\t"}), "JN18EU\tFN20XR\t292\t5847\tkm");
  // Neighbouring 10-character cells are distinct points.
  EXPECT_EQ(Answered(Command::Path, {"JN18EU55AB", "JN18EU55AA"}), "JN18EU55AB\tJN18EU55AA\t180\t0\tkm");
  EXPECT_EQ(Answered(Command::Path, {"JN18EU55AA", "JN18EU55BA"}), "JN18EU55AA\tJN18EU55BA\t90\t0\tkm");
  Options ellipsoidMiles;
  ellipsoidMiles.ellipsoid = ellipsoidMiles.miles = true;
  EXPECT_EQ(Answered(Command::Path, {"JN18EU", "FN20XR"}, ellipsoidMiles), "JN18EU\tFN20XR\t291.9\t3639.46\tmi");
  EXPECT_EQ(Answered(Command::Path, {"JN18EU", "JN18E"})[0], '!');
  Options longPath;
  longPath.longPath = true;
  // The long way is the circumference less the unrounded short way.
  for (const auto& [base, target, expected] : {std::tuple{"JN18EU", "FN20XR", "112\t34230"},
                                               {"JN18AA", "JN19AA", "180\t39965"}, {"JJ00AA", "AI09AX", "180\t20038"}})
    EXPECT_EQ(Answered(Command::Path, {base, target}, longPath), std::string(base) + "\t" + target + "\t" + expected + "\tkm");
}

TEST(Commands, LocatorAgreesWithTheFirstPage) {
  // The same position typed in boxes and written as text gives one locator
  // (off the grid's lines, where the first page's steps are exact too).
  const struct {
    const char *lat, *lon;
    TypedAxis typedLat, typedLon;
    bool south, west;
  } cases[] = {
      {"48:51:24N", "2:21:07E", {48, 51, 24}, {2, 21, 7}, false, false},
      {"S33 52.1", "E151 12.5", {33, 52.1, 0}, {151, 12.5, 0}, true, false},
      {"-0.52", "-178.99", {0.52, 0, 0}, {178.99, 0, 0}, true, true},
      {"89d59m59.99s", "179d59m59.99sW", {89, 59, 59.99}, {179, 59, 59.99}, false, true},
  };
  for (const auto& c : cases) {
    const auto expected = EncodeLocator(c.typedLat, c.south, c.typedLon, c.west);
    ASSERT_TRUE(expected);
    EXPECT_EQ(Answered(Command::Locator, {c.lat, c.lon}), std::string(c.lat) + "\t" + c.lon + "\t" + *expected);
  }
  // The first page's refusals, in its words.
  const std::pair<std::vector<std::string_view>, std::string> answers[] = {
      {{"90:00N", "0"}, "!Introduced Latitude higher than 89\u00b0"},
      {{"10 60", "0"}, "!Introduced Minutes for latitude higher than 60'"},
      {{"0", "180:00"}, "!Introduced Longitude higher than 179\u00b0"},
      {{"48"}, "!expected 2 words, got 1 (LATITUDE LONGITUDE)"},
      {{"nan", "0"}, "!latitude: \"nan\" is not a position"},
      // Decimal degrees: anywhere on the grid, whatever the boxes' limits.
      {{"89.5", "0"}, "89.5\t0\tJR09AM"},  // on a line: the cell north of it
      {{"0", "179.5"}, "0\t179.5\tRJ90SA"},
      {{"-89.99", "-180"}, "-89.99\t-180\tAA00AA"},
      {{"90", "0"}, "!Introduced Latitude outside the locator grid (90\u00b0 South to 90\u00b0 North)"},
      {{"0", "180"}, "!Introduced Longitude outside the locator grid (180\u00b0 West to 180\u00b0 East)"},
      // More than two words: only halves that carry their letters.
      {{"N48", "51.400", "E2", "21.132"}, "N48 51.400\tE2 21.132\tJN18EU"},
      {{"48", "51.400N", "2", "21.132E"}, "48 51.400N\t2 21.132E\tJN18EU"},
      // A minus on 0 degrees turns the axis; trailing zeros are no decimals.
      {{"51:30:26N", "-0:7:39"}, "51:30:26N\t-0:7:39\tIO91WM"},
      {{"48.1000000000000000000000000000000", "2"}, "48.1000000000000000000000000000000\t2\tJN18AC"},
      {{"48", "51", "24", "2.3522"}, "!a position of more than two words is ambiguous: give LATITUDE LONGITUDE as two "
                                     "words (48:51:24N 2:21:07E), or each axis with its hemisphere letter (N48 51.400 E2 21.132)"},
      {{"N48", "51", "E2"}, "!a position of more than two words is ambiguous: give LATITUDE LONGITUDE as two "
                            "words (48:51:24N 2:21:07E), or each axis with its hemisphere letter (N48 51.400 E2 21.132)"},
  };
  for (const auto& [words, expected] : answers) EXPECT_EQ(Answered(Command::Locator, words), expected) << words[0];
  EXPECT_EQ(Answered(Command::Locator, {}), "!expected 2 words, got 0 (LATITUDE LONGITUDE)");
}

TEST(Commands, JsonKeys) {
  Options json;
  json.json = true;
  EXPECT_EQ(Answered(Command::Position, {"JN18EU"}, json),
            R"({"locator": "JN18EU", "latitude": {"hemisphere": "North", "degrees": 48, "minutes": 51, )"
            R"("seconds": 15}, "longitude": {"hemisphere": "East", "degrees": 2, "minutes": 22, "seconds": 30}, )"
            R"("lat": 48.854166666666664, "lon": 2.375})");
  EXPECT_EQ(Answered(Command::Path, {"JN18EU", "FN20XR"}, json),
            R"({"base": "JN18EU", "target": "FN20XR", "azimuth": 292, "distance": 5847, "unit": "km"})");
  EXPECT_EQ(Answered(Command::Locator, {"48.8566", "2.3522"}, json), R"({"input": "48.8566 2.3522", "locator": "JN18EU"})");
}

TEST(Commands, BatchLinesSplitAtTabsCommasOrBlanks) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(SplitLine("JN18EU  FN20XR "), (V{"JN18EU", "FN20XR"}));
  EXPECT_EQ(SplitLine("N48 51.4\tE2 21.1"), (V{"N48 51.4", "E2 21.1"}));
  EXPECT_EQ(SplitLine("48.8,2.3"), (V{"48.8", "2.3"}));
  EXPECT_EQ(SplitLine("a,,b"), (V{"a", "", "b"}));
  EXPECT_EQ(SplitLine("   "), V{});
}

// Every precision: the centre of a locator encodes back to the locator, and
// six characters decode exactly as the second page shows them.
TEST(Precision, CentresEncodeBackAndSixMatchesTheWindow) {
  std::mt19937 rng(7);
  const auto pick = [&](char first, int n) { return static_cast<char>(first + std::uniform_int_distribution<int>(0, n - 1)(rng)); };
  for (int i = 0; i < 20000; ++i) {
    std::string ten = {pick('A', 18), pick('A', 18), pick('0', 10), pick('0', 10), pick('A', 24),
                       pick('A', 24), pick('0', 10), pick('0', 10), pick('A', 24), pick('A', 24)};
    for (std::size_t length : {2u, 4u, 6u, 8u, 10u}) {
      const std::string loc = ten.substr(0, length);
      ASSERT_TRUE(CheckLocatorOfLength(loc));
      const CellCentre c = LocatorCentre(loc);
      const auto axis = [](std::int64_t units) {
        const std::int64_t a = units < 0 ? -units : units;
        return TypedAxis{double(a / CellCentre::kUnitsPerDegree), 0,
                         double(a % CellCentre::kUnitsPerDegree) / CellCentre::kUnitsPerSecond};
      };
      const auto back = EncodeLocatorOfLength(axis(c.latitudeUnits), c.latitudeUnits < 0, axis(c.longitudeUnits),
                                              c.longitudeUnits < 0, length);
      ASSERT_TRUE(back);
      ASSERT_EQ(*back, loc);
      // As the second page shows it: the same centre in degrees, minutes, seconds.
      const ShownCentrePosition shown = ShownCentre(loc);
      for (const auto& [a, units, south] : {std::tuple{shown.latitude, c.latitudeUnits, "South"},
                                            std::tuple{shown.longitude, c.longitudeUnits, "West"}}) {
        ASSERT_TRUE(a.minutes < 60 && a.seconds < 60) << loc;
        ASSERT_EQ(std::llround(((double(a.degrees) * 60 + double(a.minutes)) * 60 + a.seconds) * CellCentre::kUnitsPerSecond),
                  units < 0 ? -units : units) << loc;
        ASSERT_EQ(a.hemisphere == south, units < 0) << loc;
      }
      if (length == 6) {
        const DmsPosition d = LocatorToDms(loc);
        const std::int64_t shown = ((d.latitude.degrees * 60 + d.latitude.minutes) * 60 + d.latitude.seconds) *
                                   CellCentre::kUnitsPerSecond;
        ASSERT_EQ(d.latitude.hemisphere == "South" ? -shown : shown, c.latitudeUnits) << loc;
        const GeoRadians r = LocatorOfLengthToRadians(loc), w = LocatorToRadians(loc);
        ASSERT_EQ(r.phi, w.phi);
        ASSERT_EQ(r.lambda, w.lambda);
      }
    }
  }
  EXPECT_FALSE(CheckLocatorOfLength("JN18EU5"));
  EXPECT_FALSE(CheckLocatorOfLength("JN18EUA5"));
  EXPECT_FALSE(CheckLocatorOfLength("JN18EU5Y"));
  EXPECT_FALSE(CheckLocatorOfLength("JN18EU55YY"));  // the last pair runs A to X
  EXPECT_NE(Answered(Command::Position, {"JN18EU55"}).find("\tEast\t"), std::string::npos);
  EXPECT_NE(Answered(Command::Position, {"JN18EU55AA"}).find("\tEast\t"), std::string::npos);
  EXPECT_EQ(*EncodeLocatorOfLength({48, 51, 24}, false, {2, 21, 7}, false, 10), "JN18EU25FO");
}

// What a sender or a log wrote never reaches a terminal or a spreadsheet as
// a command: control characters escaped, CSV fields quoted and made text.
TEST(Output, SendersTextIsShownNotObeyed) {
  for (const auto& [text, shown] : {std::pair{"K1ABC", "K1ABC"}, {"\x1b]0;pwned\a", "\\x1b]0;pwned\\x07"},
                                    {"A\r\nB\t", "A\\x0d\\x0aB\\x09"}, {"\x7f\x9b" "2J", "\\x7f\\x9b" "2J"},
                                    {"\xc2\x9b" "2J", "\\xc2\\x9b" "2J"}, {"Jos\xc3\xa9 \xe9", "Jos\xc3\xa9 \xe9"}})
    EXPECT_EQ(Printable(text), shown) << text;
  for (const auto& [field, csv] : {std::pair{"FN42", "FN42"}, {"=HYPERLINK(1)", "'=HYPERLINK(1)"}, {"+1", "'+1"},
                                   {"-1", "'-1"}, {"@A", "'@A"}, {"a,b", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""},
                                   {"=a\r\nb", "\"'=a\r\nb\""}})
    EXPECT_EQ(CsvField(field), csv) << field;
}

// One file however its name is written; a file not there yet by its folder and name.
TEST(Files, NamesSameFile) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(::testing::TempDir()) / "same_file_test";
  fs::remove_all(dir);
  fs::create_directories(dir / "sub");
  std::ofstream(dir / "log.adi") << "<EOH>";
  std::ofstream(dir / "other.adi") << "<EOH>";
  // Windows lets only some users make symbolic links: where it does not, the link case is left out.
  std::error_code noLinks;
  fs::create_symlink(dir / "log.adi", dir / "link.adi", noLinks);
  fs::create_hard_link(dir / "log.adi", dir / "hard.adi");
  const std::string log = (dir / "log.adi").string(), d = dir.string();
  for (const auto& [other, same] : {std::pair{d + "/./log.adi", true}, {d + "/sub/../log.adi", true}, {d + "/link.adi", !noLinks},
                                    {d + "/hard.adi", true}, {d + "/other.adi", false}, {d + "/new.csv", false}})
    EXPECT_EQ(NamesSameFile(other, log), same) << other;
  EXPECT_TRUE(NamesSameFile(d + "/sub/../new.csv", d + "/./new.csv"));
  EXPECT_FALSE(NamesSameFile(d + "/sub/new.csv", d + "/new.csv"));
}

}  // namespace
}  // namespace morvane::cli
