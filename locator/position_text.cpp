#include "locator/position_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "locator/typed_position.h"

namespace morvane {
namespace {

const char* AxisName(Axis axis) { return axis == Axis::Latitude ? "latitude" : "longitude"; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }


// The marks that may follow each number: degrees, minutes, seconds. UTF-8
// degree, prime and double prime signs, their ASCII stand-ins and letters.
constexpr std::string_view kDegreeMarks[] = {"\xc2\xb0", "\xc2\xba", "d", "D"};
constexpr std::string_view kMinuteMarks[] = {"\xe2\x80\xb2", "'", "m", "M"};
constexpr std::string_view kSecondMarks[] = {"\xe2\x80\xb3", "\"", "''", "s"};

template <std::size_t N>
std::size_t MarkAt(std::string_view s, const std::string_view (&marks)[N]) {
  std::size_t best = 0;
  for (std::string_view m : marks)
    if (s.substr(0, m.size()) == m && m.size() > best) best = m.size();
  return best;
}

// Digits with at most one point ("48", "51.400", ".5"), or nullopt. The
// WebAssembly build's library has no from_chars for doubles; strtod reads
// the same text there (its locale is always "C").
std::optional<double> FixedNumber(std::string_view number) {
  const std::size_t point = number.find('.');
  if (number.find_first_of("0123456789") == std::string_view::npos ||
      (point != std::string_view::npos && number.find('.', point + 1) != std::string_view::npos))
    return std::nullopt;
#if defined(__cpp_lib_to_chars)
  double value = 0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::fixed);
  if (ec != std::errc() || end != number.data() + number.size()) return std::nullopt;
  return value;
#else
  const double value = std::strtod(std::string(number).c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;  // as from_chars: out of range
  return value;
#endif
}

struct Component {
  double value;
  std::string_view digits;
  int mark;  // -1 none, 0 degrees, 1 minutes, 2 seconds
};


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

// Whether a word group carries its hemisphere as a letter at one end.
bool LetterAtAnEnd(std::string_view text) {
  const std::string_view t = TrimBlanks(text);
  return !t.empty() && (IsHemisphere(t.front()) || IsHemisphere(t.back()));
}

ReadPositionResult::Digits DigitsOf(const ParsedAxis& a) {
  return {std::string(a.decimal.degrees), std::string(a.decimal.minutes), std::string(a.decimal.seconds), a.far};
}

}  // namespace

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsHemisphere(char c) {
  const char u = Upper(c);
  return u == 'N' || u == 'S' || u == 'E' || u == 'W';
}


std::variant<ParsedAxis, std::string> ParseAxis(std::string_view text, Axis axis) {
  const std::string name = AxisName(axis);
  std::string_view s = TrimBlanks(text);
  if (s.empty()) return name + ": empty";
  const std::string notAPosition = name + ": \"" + std::string(text) + "\" is not a position";
  if (s.find_first_of("0123456789") == std::string_view::npos) return notAPosition;  // "nan", "N"

  // Hemisphere: a letter before or after, or a sign in front, never two.
  char letter = 0;
  bool sign = false, minus = false;
  if (s.front() == '-' || s.front() == '+') {
    sign = true;
    minus = s.front() == '-';
    s = TrimBlanks(s.substr(1));
  } else if (IsHemisphere(s.front())) {
    letter = Upper(s.front());
    s = TrimBlanks(s.substr(1));
  }
  // A last "s" right after a number is the seconds mark when degrees or
  // minutes were marked with letters ("48d51m24s"); otherwise it is South.
  if (!s.empty() && IsHemisphere(s.back())) {
    const bool lettersMarked = s.find_first_of("dDmM") != std::string_view::npos;
    const bool secondsMark = s.back() == 's' && lettersMarked && s.size() > 1 && IsDigit(s[s.size() - 2]);
    if (!secondsMark) {
      if (letter) return name + ": two hemisphere letters";
      if (sign) return name + ": a sign and a hemisphere letter";
      letter = Upper(s.back());
      s = TrimBlanks(s.substr(0, s.size() - 1));
    }
  }
  if (letter && (s.empty() || s.front() == '-' || s.front() == '+'))
    return name + (s.empty() ? ": no number" : ": a sign and a hemisphere letter");
  if (letter) {
    const bool latitudeLetter = letter == 'N' || letter == 'S';
    if (latitudeLetter != (axis == Axis::Latitude))
      return name + ": " + std::string(1, letter) + " is not a " + name + " hemisphere";
  }

  // Up to three numbers, each with an optional mark, separated by marks,
  // colons or blanks.
  std::vector<Component> parts;
  std::size_t pos = 0;
  while (pos < s.size()) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == ':')) ++pos;
    if (pos == s.size()) break;
    const std::size_t start = pos;
    while (pos < s.size() && (IsDigit(s[pos]) || s[pos] == '.')) ++pos;
    const std::string_view number = s.substr(start, pos - start);
    const auto value = FixedNumber(number);
    if (!value) return notAPosition;
    // The longest mark wins: "''" is seconds, not minutes and a stray "'".
    int mark = -1;
    const std::string_view rest = s.substr(pos);
    const std::size_t lengths[3] = {MarkAt(rest, kDegreeMarks), MarkAt(rest, kMinuteMarks), MarkAt(rest, kSecondMarks)};
    for (int m = 0; m < 3; ++m)
      if (lengths[m] > 0 && (mark < 0 || lengths[m] > lengths[mark])) mark = m;
    if (mark >= 0) {
      pos += lengths[mark];
    } else if (pos < s.size() && s[pos] != ' ' && s[pos] != '\t' && s[pos] != ':') {
      return notAPosition;
    }
    const std::size_t point = number.find('.');
    if (point != std::string_view::npos && number.find_last_not_of('0') > point + kMaxExactDecimals)
      return name + ": more than " + std::to_string(kMaxExactDecimals) + " decimals";
    parts.push_back({*value, number, mark});
    if (parts.size() > 3) return name + ": more than degrees, minutes and seconds";
  }
  if (parts.empty()) return name + ": no number";

  // Marks, where given, say which number is which and must come in order;
  // unmarked numbers follow the one before.
  double dms[3] = {0, 0, 0};
  std::string_view digits[3];
  int next = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const int slot = parts[i].mark >= 0 ? parts[i].mark : next;
    if (slot < next || slot > 2) return name + ": degrees, minutes and seconds out of order";
    // Only the last number may have a fraction.
    if (i + 1 < parts.size() && parts[i].value != std::floor(parts[i].value))
      return name + ": only the last number may have decimals";
    dms[slot] = parts[i].value;
    digits[slot] = parts[i].digits;
    next = slot + 1;
  }
  const bool far = minus || letter == 'S' || letter == 'W';
  return ParsedAxis{{dms[0], dms[1], dms[2]}, {digits[0], digits[1], digits[2]}, far,
                    parts.size() == 1 && parts[0].mark <= 0};
}

void SplitWords(std::string_view line, std::vector<std::string_view>& words) {
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

std::variant<ReadPositionResult, std::string> ReadPosition(const std::vector<std::string_view>& words) {
  ReadPositionResult r{};
  if (words.size() == 2) {
    r.latitudeText = words[0];
    r.longitudeText = words[1];
  } else if (words.size() > 2 && words.size() % 2 == 0) {
    // "N48 51.400 E2 21.500" split at blanks: the halves are the two axes,
    // but only when letters say so; "48 51 24 2.35" could be cut anywhere.
    const auto half = static_cast<std::ptrdiff_t>(words.size() / 2);
    r.latitudeText = Join({words.begin(), words.begin() + half});
    r.longitudeText = Join({words.begin() + half, words.end()});
    if (!LetterAtAnEnd(r.latitudeText) || !LetterAtAnEnd(r.longitudeText)) return std::string(kAmbiguousPosition);
  } else if (words.size() > 2) {
    return std::string(kAmbiguousPosition);
  } else {
    return "expected 2 words, got " + std::to_string(words.size()) + " (LATITUDE LONGITUDE)";
  }
  const auto lat = ParseAxis(r.latitudeText, Axis::Latitude);
  if (const auto* e = std::get_if<std::string>(&lat)) return *e;
  const auto lon = ParseAxis(r.longitudeText, Axis::Longitude);
  if (const auto* e = std::get_if<std::string>(&lon)) return *e;
  const ParsedAxis& la = std::get<ParsedAxis>(lat);
  const ParsedAxis& lo = std::get<ParsedAxis>(lon);
  // A position in decimal degrees is checked against the grid alone: the
  // window's limits of 89 and 179 belong to its whole-degree boxes.
  TypedAxis latRange = la.typed, lonRange = lo.typed;
  if (la.degreesOnly) latRange.degrees = 0;
  if (lo.degreesOnly) lonRange.degrees = 0;
  if (const auto refusal = CheckRanges(latRange, lonRange)) return std::string(refusal->message);
  // The exact cell of the digits typed: a position on a grid line is in the
  // cell north and east of it.
  const auto y = FinestCell(la.decimal, la.far, GridAxis::Latitude);
  if (!y) return std::string(kLatitudeOffGrid);
  const auto x = FinestCell(lo.decimal, lo.far, GridAxis::Longitude);
  if (!x) return std::string(kLongitudeOffGrid);
  r.latitude = DigitsOf(la);
  r.longitude = DigitsOf(lo);
  r.latitudeCell = *y;
  r.longitudeCell = *x;
  return r;
}

}  // namespace morvane
