#include "logs/edi.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "locator/ascii.h"
#include "locator/precision.h"

namespace morvane::edi {
namespace {

using morvane::SameLetters;
using morvane::UpperCase;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return SameLetters(text.substr(0, prefix.size()), prefix);
}


std::optional<std::string> SixCharacters(std::string_view text) {
  std::string upper = UpperCase(Trim(text));
  if (upper.size() != 6 || !CheckLocatorOfLength(upper)) return std::nullopt;
  return upper;
}

}  // namespace

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::optional<long> WholeNumber(std::string_view s, std::size_t maxDigits) {
  s = Trim(s);
  if (s.empty() || s.size() > maxDigits) return std::nullopt;
  long value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string_view Part(std::string_view value, std::size_t n) {
  const char separator = value.find(';') != std::string_view::npos ? ';' : ',';
  for (; n > 0; --n) {
    const std::size_t at = value.find(separator);
    if (at == std::string_view::npos) return {};
    value.remove_prefix(at + 1);
  }
  return Trim(value.substr(0, value.find(separator)));
}

std::optional<Distance> ContestDistance(std::string_view own, std::string_view other) {
  const auto a = SixCharacters(own), b = SixCharacters(other);
  if (!a || !b) return std::nullopt;
  const CellCentre p = LocatorCentre(*a), q = LocatorCentre(*b);
  constexpr std::int64_t kHalfTurn = 180 * CellCentre::kUnitsPerDegree;
  const std::int64_t dLon = std::llabs(p.longitudeUnits - q.longitudeUnits);
  // On one meridian, or on opposite ones (the shorter way over a pole), the
  // arc is a whole number of units: km = 111.2 x arc, in integers.
  std::int64_t arc = -1;
  if (dLon == 0) arc = std::llabs(p.latitudeUnits - q.latitudeUnits);
  if (dLon == kHalfTurn) {
    const std::int64_t sum = p.latitudeUnits + q.latitudeUnits;
    arc = std::min(kHalfTurn - sum, kHalfTurn + sum);
  }
  if (arc >= 0) {
    const std::int64_t numerator = 1112 * arc, denominator = 10 * CellCentre::kUnitsPerDegree;
    return Distance{double(numerator) / double(denominator), long(numerator / denominator) + 1};
  }
  // Any other pair: the central angle from unit vectors, accurate at every
  // distance (no arccos of a number near 1).
  const auto unit = [](const CellCentre& c, double v[3]) {
    const double lat = c.latitudeDegrees() * std::numbers::pi / 180, lon = c.longitudeDegrees() * std::numbers::pi / 180;
    v[0] = std::cos(lat) * std::cos(lon);
    v[1] = std::cos(lat) * std::sin(lon);
    v[2] = std::sin(lat);
  };
  double u[3], v[3];
  unit(p, u);
  unit(q, v);
  const double cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  const double angle = std::atan2(std::hypot(cross[0], cross[1], cross[2]), u[0] * v[0] + u[1] * v[1] + u[2] * v[2]);
  const double km = kKmPerDegree * (angle * 180 / std::numbers::pi);
  return Distance{km, long(std::floor(km)) + 1};
}

bool CodxcAgrees(const Totals& t) {
  if (!t.bestKm) return false;
  const auto km = WholeNumber(Part(t.codxc, 2));
  const long truncated = long(std::floor(*t.bestKm));
  return SameLetters(Part(t.codxc, 0), t.bestCall) && SameLetters(Part(t.codxc, 1), t.bestLocator) && km &&
         (*km == truncated || *km == truncated + 1);
}

HeaderValues FilledHeader(const Totals& t) {
  HeaderValues h;
  h.cqsop = std::to_string(t.computedTotal);
  if (!t.bonusUsed) h.ctosc = h.cqsop;
  // The QSO's points, as most loggers write it; a value already accepted stays.
  if (t.bestKm && !CodxcAgrees(t))
    h.codxc = t.bestCall + ";" + t.bestLocator + ";" + std::to_string(long(std::floor(*t.bestKm)) + 1);
  if (!t.cqsos.empty()) h.cqsos = std::to_string(t.valid);
  h.records = std::to_string(Records(t));
  return h;
}

bool AboveTenGigahertz(std::string_view band) {
  band = Trim(band);
  std::size_t digits = 0;
  double value = 0, scale = 0;  // scale: 0 before the decimal mark
  for (; digits < band.size() && digits < 12; ++digits) {
    const char c = band[digits];
    if ((c == '.' || c == ',') && scale == 0) {
      scale = 1;
    } else if (c >= '0' && c <= '9') {
      if (scale > 0) scale /= 10;
      value = scale > 0 ? value + (c - '0') * scale : value * 10 + (c - '0');
    } else {
      break;
    }
  }
  const std::string_view unit = Trim(band.substr(digits));
  if (digits == 0) return false;
  if (StartsWith(unit, "GHZ")) return value > 10;
  if (StartsWith(unit, "MHZ")) return value > 10000;
  return false;
}

Pass::Pass(Hooks hooks, long multiplier, std::optional<HeaderValues> fill)
    : hooks_(std::move(hooks)), forcedMultiplier_(multiplier), fill_(std::move(fill)) {
  if (forcedMultiplier_ > 1) totals_.multiplier = forcedMultiplier_;
}

void Pass::Feed(std::string_view bytes) {
  fed_ += bytes.size();
  sawLineFeed_ = sawLineFeed_ || bytes.find('\n') != std::string_view::npos;
  sawCarriageReturn_ = sawCarriageReturn_ || bytes.find('\r') != std::string_view::npos;
  while (!bytes.empty()) {
    const std::size_t nl = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, nl == std::string_view::npos ? bytes.size() : nl + 1);
    bytes.remove_prefix(piece.size());
    if (overlong_) {  // the rest of a line too long to read: copied
      Emit(piece);
    } else {
      pending_.append(piece);
      if (nl == std::string_view::npos && pending_.size() > kMaxLine) {
        overlong_ = true;
        Emit(pending_);
        pending_.clear();
      }
    }
    if (nl == std::string_view::npos) continue;
    if (overlong_) {
      ++lineNumber_;
      if (section_ == Section::Records) {
        ++totals_.unreadable;
        if (hooks_.warn) hooks_.warn("line " + std::to_string(lineNumber_) + ": longer than 65536 bytes; copied as it is");
      }
      overlong_ = false;
    } else {
      Line(pending_);
      pending_.clear();
    }
  }
}

void Pass::Finish() {
  if (overlong_) {
    ++lineNumber_;
    if (section_ == Section::Records) ++totals_.unreadable;
  } else if (!pending_.empty()) {
    Line(pending_);  // the last line, without a line end
  }
  pending_.clear();
  overlong_ = false;
  totals_.crOnlyLineEnds = sawCarriageReturn_ && !sawLineFeed_;
}

void Pass::Line(std::string_view line) {
  ++lineNumber_;
  std::string_view text = line;
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (lineNumber_ == 1 && text.substr(0, 3) == "\xef\xbb\xbf") text.remove_prefix(3);
  const std::string_view trimmed = Trim(text);

  if (section_ == Section::Preamble) {
    // Mail headers and blank lines may come first; "REGITEST" is a common typo.
    if (StartsWith(trimmed, "[REG1TEST;") || StartsWith(trimmed, "[REGITEST;")) {
      totals_.identified = true;
      section_ = Section::Header;
    }
    Emit(line);
    return;
  }
  // Every line from [Remarks] to [QSORecords is a remark, brackets or not.
  const bool remark = section_ == Section::Remarks && !StartsWith(trimmed, "[QSORECORDS");
  if (section_ != Section::End && !remark && !trimmed.empty() && trimmed.front() == '[') {
    if (StartsWith(trimmed, "[QSORECORDS")) {
      section_ = Section::Records;
      const std::size_t open = line.find('['), close = line.find(']', open);
      const std::size_t semicolon = std::min(line.find(';', open), close);
      const std::string_view n = close == std::string_view::npos || semicolon >= close
                                     ? std::string_view()
                                     : line.substr(semicolon + 1, close - semicolon - 1);
      totals_.declaredRecordsText = std::string(Trim(n));
      totals_.declaredRecords = WholeNumber(n);
      if (fill_ && !fill_->records.empty() && close != std::string_view::npos) {
        Emit(line.substr(0, semicolon));
        Emit(";" + fill_->records);
        return Emit(line.substr(close));
      }
    } else if (StartsWith(trimmed, "[REMARKS")) {
      section_ = Section::Remarks;
    } else if (StartsWith(trimmed, "[END")) {
      section_ = Section::End;
    } else {
      section_ = Section::Header;
    }
    Emit(line);
    return;
  }
  if (section_ == Section::Records) return RecordLine(text, line);
  // A QSO line where no [QSORecords;N] line opened the section (it is
  // missing or misspelt): said, for it would not be scored.
  if ((section_ == Section::Header || section_ == Section::Remarks) &&
      std::count(text.begin(), text.end(), ';') >= 14 && text.find('=') == std::string_view::npos) {
    if (totals_.strayQsoLines++ == 0) totals_.firstStrayQsoLine = lineNumber_;
  }
  if (section_ == Section::Header) return HeaderLine(text, line);
  Emit(line);
}

void Pass::HeaderLine(std::string_view text, std::string_view line) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return Emit(line);
  const std::string key = UpperCase(Trim(text.substr(0, equals)));
  const std::string_view value = Trim(text.substr(equals + 1));
  if (key == "PWWLO") {
    totals_.pwwloLine = lineNumber_;
    const auto six = SixCharacters(value);
    totals_.pwwloValid = six.has_value();
    totals_.pwwlo = six ? *six : std::string(value);
  } else if (key == "CQSOS") {
    totals_.cqsos = value;
    const std::string_view multiplier = Part(value, 1);
    totals_.multiplierTooLarge = multiplier.size() > kMaxMultiplierDigits && WholeNumber(multiplier);
    if (forcedMultiplier_ == 0)
      totals_.multiplier = std::max(1L, WholeNumber(multiplier, kMaxMultiplierDigits).value_or(1));
  } else if (key == "PBAND") {
    totals_.band = value;
  } else if (key == "CQSOP") {
    totals_.cqsop = value;
  } else if (key == "CTOSC") {
    totals_.ctosc = value;
  } else if (key == "CODXC") {
    totals_.codxc = value;
  } else if (key == "CWWLB" || key == "CEXCB" || key == "CDXCB") {
    totals_.bonusUsed = totals_.bonusUsed || WholeNumber(value).value_or(0) > 0;
  } else if (key == "CWWLS" || key == "CEXCS" || key == "CDXCS") {
    totals_.bonusUsed = totals_.bonusUsed || WholeNumber(Part(value, 2)).value_or(0) > 1;
  }
  // The values a fill sets; an empty one is left as it stands.
  const std::string* replacement = nullptr;
  // CQSOs: the valid QSOs; the multiplier and anything after it kept as this line has them.
  std::string cqsos;
  if (fill_ && key == "CQSOS" && !fill_->cqsos.empty()) {
    cqsos = fill_->cqsos + std::string(value.substr(std::min(value.find_first_of(";,"), value.size())));
    replacement = &cqsos;
  }
  if (fill_ && key == "CQSOP") replacement = &fill_->cqsop;
  if (fill_ && key == "CTOSC") replacement = &fill_->ctosc;
  if (fill_ && key == "CODXC") replacement = &fill_->codxc;
  if (!replacement || replacement->empty()) return Emit(line);
  Emit(line.substr(0, equals + 1));
  Emit(*replacement);
  // Whatever followed the value (blanks, the line end) as it was.
  Emit(line.substr(static_cast<std::size_t>(value.data() - line.data()) + value.size()));
}

void Pass::RecordLine(std::string_view text, std::string_view line) {
  if (Trim(text).empty()) return Emit(line);
  // Where each ';'-separated field starts; a 16th (empty) field is common.
  std::size_t starts[17];
  std::size_t fields = 0;
  for (std::size_t at = 0; fields < 17;) {
    starts[fields++] = at;
    const std::size_t semicolon = text.find(';', at);
    if (semicolon == std::string_view::npos) break;
    at = semicolon + 1;
  }
  const auto field = [&](std::size_t i) {
    const std::size_t end = i + 1 < fields ? starts[i + 1] - 1 : text.size();
    return text.substr(starts[i], end - starts[i]);
  };
  if (fields < 15) {
    ++totals_.unreadable;
    if (hooks_.warn)
      hooks_.warn("line " + std::to_string(lineNumber_) + ": " + std::to_string(fields) +
                  " fields where a QSO has 15; copied as it is");
    return Emit(line);
  }
  if (Trim(text).find_first_not_of(';') == std::string_view::npos) {  // a record without a QSO
    ++totals_.emptyRecords;
    return Emit(line);
  }

  Qso q{lineNumber_, Trim(field(2)), Trim(field(9)), Trim(field(10)), WholeNumber(field(10), kMaxClaimDigits),
        0, 0, false, {}};
  const bool duplicate = SameLetters(Trim(field(14)), "D");
  const auto distance = totals_.pwwloValid ? ContestDistance(totals_.pwwlo, q.locator) : std::nullopt;
  q.valid = distance && !duplicate && !SameLetters(q.call, "ERROR");
  if (q.valid) {
    q.points = distance->points * totals_.multiplier;
    q.km = distance->km;
  } else {
    q.whyNone = duplicate                          ? "duplicate"
                : SameLetters(q.call, "ERROR")     ? "call ERROR"
                : q.locator.empty()                ? "no locator"
                : q.locator.size() == 4            ? "4-character locator"
                                                   : "invalid locator";
  }
  ++totals_.qsos;
  totals_.valid += q.valid;
  ++(q.claimedPoints == q.points ? totals_.agree : totals_.differ);
  if (q.claimedPoints && *q.claimedPoints != q.points)
    ++(std::labs(*q.claimedPoints - q.points) <= totals_.multiplier ? totals_.nearMisses : totals_.otherRule);
  totals_.claimedTotal += q.claimedPoints.value_or(0);
  totals_.computedTotal += q.points;
  if (q.valid && (!totals_.bestKm || q.km > *totals_.bestKm)) {
    totals_.bestKm = q.km;
    totals_.bestCall = q.call;
    totals_.bestLocator = UpperCase(q.locator);
  }
  if (hooks_.qso) hooks_.qso(q);
  if (!fill_) return Emit(line);
  const std::size_t pointsStart = starts[10], pointsEnd = starts[11] - 1;
  Emit(line.substr(0, pointsStart));
  Emit(std::to_string(q.points));
  Emit(line.substr(pointsEnd));
}

}  // namespace morvane::edi
