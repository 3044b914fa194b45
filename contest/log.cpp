#include "contest/log.h"

#include <algorithm>
#include <cstdio>

#include "locator/ascii.h"
#include "locator/precision.h"
#include "logs/edi.h"
#include "logs/utf8.h"

namespace morvane::contest {
namespace {

using edi::Trim;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return SameLetters(text.substr(0, prefix.size()), prefix);
}

// Digits only, at most 9 of them.
std::optional<long> Number(std::string_view s) { return edi::WholeNumber(s, 9); }

// A serial as received: its leading digits ("011/", "11A" read as 11).
std::optional<long> Serial(std::string_view s) {
  s = Trim(s);
  const std::size_t digits = std::min(s.find_first_not_of("0123456789"), s.size());
  return digits == 0 ? std::nullopt : Number(s.substr(0, digits));
}

// A report with the serial run into it, the serial field empty ("59003",
// "599012"): the report is R and S (and a tone 9 when six digits or more
// begin 5x9), the serial the rest. The report is left as it is otherwise.
void SplitRunTogether(std::string_view& report, std::string_view& serial) {
  if (!serial.empty() || report.size() < 5 || report.find_first_not_of("0123456789") != std::string_view::npos)
    return;
  const std::size_t length = report.size() >= 6 && report[2] == '9' ? 3 : 2;
  serial = report.substr(length);
  report = report.substr(0, length);
}

// Whether a station's loggers write Windows-1250 rather than Windows-1252
// where they do not write UTF-8: the Central European countries', by the
// prefix of its call.
bool CentralEuropean(std::string_view station) {
  static constexpr std::string_view kPrefixes[] = {"OK", "OL", "OM", "SP", "SQ", "SN", "SO", "SR", "HF", "3Z", "HA",
                                                   "HG", "S5", "9A", "E7", "YU", "YT", "4O", "YO", "YP", "YQ", "YR",
                                                   "ZA"};
  return std::any_of(std::begin(kPrefixes), std::end(kPrefixes),
                     [&](std::string_view p) { return station.substr(0, 2) == p; });
}

// HHMM (or HMM) to minutes of the day.
std::optional<long> MinuteOfDay(std::string_view s) {
  const auto n = Number(s);
  if (!n || Trim(s).size() < 3 || Trim(s).size() > 4 || *n / 100 > 23 || *n % 100 > 59) return std::nullopt;
  return *n / 100 * 60 + *n % 100;
}

QsoLine ReadRecord(std::string_view text, long line) {
  QsoLine q;
  q.line = line;
  std::string_view fields[15];
  std::size_t count = 0;
  for (std::string_view rest = text; count < 15;) {
    const std::size_t semicolon = rest.find(';');
    fields[count++] = Trim(rest.substr(0, semicolon));
    if (semicolon == std::string_view::npos) break;
    rest.remove_prefix(semicolon + 1);
  }
  if (std::all_of(fields, fields + count, [](std::string_view f) { return f.empty(); })) {
    q.unusable = "empty record";
    return q;
  }
  // The last field (the duplicate mark) left off: the QSO is all there.
  if (count < 14) {
    q.unusable = "fewer than 14 fields";
    return q;
  }
  q.date = fields[0];
  q.time = fields[1];
  q.call = fields[2];
  q.sentRst = fields[4];
  q.sentSerial = fields[5];
  q.rcvdRst = fields[6];
  q.rcvdSerial = fields[7];
  SplitRunTogether(q.sentRst, q.sentSerial);
  SplitRunTogether(q.rcvdRst, q.rcvdSerial);
  q.rcvdLocator = fields[9];
  q.claimedText = fields[10];
  q.station = Station(q.call);
  q.locator = UpperCase(q.rcvdLocator);
  q.sent = Serial(q.sentSerial);
  q.received = Serial(q.rcvdSerial);
  q.claimed = Number(q.claimedText).value_or(0);
  q.marked = count > 14 && SameLetters(fields[14], "D");
  const auto day = DayNumber(q.date);
  const auto minute = MinuteOfDay(q.time);
  if (day && minute) q.minute = *day * 1440 + *minute;
  if (SameLetters(q.call, "ERROR")) q.unusable = "call ERROR";
  else if (q.station.empty()) q.unusable = "no call";
  else if (!q.minute) q.unusable = "date or time cannot be read";
  return q;
}

}  // namespace

std::string Station(std::string_view call) {
  call = Trim(call);
  std::string_view best;
  for (std::size_t at = 0; at <= call.size();) {
    const std::size_t slash = std::min(call.find('/', at), call.size());
    const std::string_view part = call.substr(at, slash - at);
    if (part.size() > best.size()) best = part;
    at = slash + 1;
  }
  return UpperCase(best);
}

std::optional<long> DayNumber(std::string_view date) {
  date = Trim(date);
  const auto n = Number(date);
  if (!n || (date.size() != 6 && date.size() != 8)) return std::nullopt;
  const long y = date.size() == 6 ? 2000 + *n / 10000 : *n / 10000, m = *n / 100 % 100, d = *n % 100;
  if (m < 1 || m > 12 || d < 1 || d > 31 || y < 1900) return std::nullopt;
  // Days from the civil calendar (H. Hinnant's algorithm), from 2000-01-01.
  const long yy = m <= 2 ? y - 1 : y, era = yy / 400, yoe = yy - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1, doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 - 10957;
}

std::string DateText(long day) {
  // The civil date of a day number (H. Hinnant's algorithm), from 2000-01-01.
  const long z = day + 10957 + 719468, era = (z >= 0 ? z : z - 146096) / 146097, doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365, doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153, d = doy - (153 * mp + 2) / 5 + 1, m = mp < 10 ? mp + 3 : mp - 9;
  const long y = yoe + era * 400 + (m <= 2);
  char text[80];
  std::snprintf(text, sizeof text, "%04ld-%02ld-%02ld", y, m, d);
  return text;
}

Log ReadLog(std::string file, std::string bytes) {
  Log log;
  log.file = std::move(file);
  log.text = std::make_shared<const std::string>(std::move(bytes));
  std::string_view rest = *log.text;
  if (rest.substr(0, 3) == "\xef\xbb\xbf") rest.remove_prefix(3);
  // Lines end at LF; a log with CRs alone is split at them instead.
  const char end = rest.find('\n') == std::string_view::npos ? '\r' : '\n';
  enum class Section { Preamble, Header, Remarks, Records, End } section = Section::Preamble;
  for (long line = 1; !rest.empty(); ++line) {
    const std::size_t at = rest.find(end);
    const std::string_view text = Trim(rest.substr(0, at));
    rest.remove_prefix(at == std::string_view::npos ? rest.size() : at + 1);
    if (section == Section::Preamble) {
      if (StartsWith(text, "[REG1TEST;") || StartsWith(text, "[REGITEST;")) {
        log.identified = true;
        section = Section::Header;
      }
      continue;
    }
    if (section == Section::End || text.empty()) continue;
    if (text.front() == '[') {
      if (StartsWith(text, "[QSORECORDS")) section = Section::Records;
      else if (StartsWith(text, "[END")) section = Section::End;
      else if (StartsWith(text, "[REMARKS")) section = Section::Remarks;
      else if (section != Section::Remarks) section = Section::Header;
      continue;
    }
    const bool qsoShaped = std::count(text.begin(), text.end(), ';') >= 13 && text.find('=') == std::string_view::npos;
    // A QSO line in the header: the [QSORecords;N] line is missing or misspelt.
    if (section == Section::Records || (section == Section::Header && qsoShaped)) {
      log.qsos.push_back(ReadRecord(text, line));
      continue;
    }
    if (section != Section::Header) continue;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string key = UpperCase(Trim(text.substr(0, equals)));
    const std::string_view value = Trim(text.substr(equals + 1));
    if (key == "PCALL") {
      log.call = UpperCase(value);
      log.station = Station(value);
    } else if (key == "PWWLO") {
      log.locator = UpperCase(value);
    } else if (key == "PBAND") {
      log.band = value;
    } else if (key == "PSECT") {
      log.section = value;
    } else if (key == "TNAME") {
      log.contest = value;
    } else if (key == "CQSOP") {
      log.cqsop = Number(value);
    } else if (key == "CTOSC") {
      log.claimedScore = Number(value);
    } else if (key == "CQSOS") {
      log.multiplier = Number(edi::Part(value, 1));
    } else if (key == "TDATE") {
      log.firstDay = DayNumber(edi::Part(value, 0));
    }
  }
  // What is shown of the header in results and reports, as UTF-8.
  const bool central = CentralEuropean(log.station);
  log.section = ToUtf8(log.section, central);
  log.contest = ToUtf8(log.contest, central);
  return log;
}

std::string Unusable(const Log& log) {
  if (!log.identified) return "not a REG1TEST log (no [REG1TEST;1] line)";
  if (log.station.empty()) return "no PCall (the station's call)";
  if (log.locator.size() != 6 || !CheckLocatorOfLength(log.locator))
    return "PWWLo=" + log.locator + " is not a 6-character locator";
  return {};
}

}  // namespace morvane::contest
