// One REG1TEST log as a cross-check needs it: the station, its band and
// locator, and every QSO line with its fields and its physical line number.
// Real logs are messy (a mail header or a byte-order mark before the
// identifier, 8-digit dates, mixed line ends, empty and short records), so
// reading never fails: what cannot be used is said, line by line.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::contest {

struct QsoLine {
  long line = 0;  // physical line, counted from 1, lines separated by LF
  // Fields as written, trimmed; they point into Log::text.
  std::string_view date, time, call, sentRst, sentSerial, rcvdRst, rcvdSerial, rcvdLocator, claimedText;
  std::string station;  // the call without portable prefixes and suffixes, upper case
  std::string locator;  // the received locator, upper case
  std::optional<long> minute;  // UTC minutes since 2000-01-01; nullopt: date or time unreadable
  std::optional<long> sent, received;  // serial numbers ("011/" reads as 11)
  long claimed = 0;  // field 11; 0 when empty or not a number
  bool marked = false;  // field 15 is "D": the logger's own duplicate mark
  std::string_view unusable;  // why the line is no QSO at all ("call ERROR", "empty record"), or empty
};

struct Log {
  std::string file;                          // as shown
  std::shared_ptr<const std::string> text;   // the bytes the QSO fields point into
  bool identified = false;                   // a [REG1TEST;1] (or [REGITEST;1]) line
  std::string call, station, locator;        // PCall, its station, PWWLo (upper case)
  std::string band;                          // PBand as written
  std::string section, contest;              // PSect and TName, made UTF-8 (logs/utf8.h)
  std::optional<long> cqsop;                 // CQSOP, when a number
  std::optional<long> claimedScore;          // CToSc, the log's claimed total, when a number
  std::optional<long> multiplier;            // the second number of CQSOs: the log's claim, never its score's
  std::optional<long> firstDay;              // TDate's first date, days since 2000-01-01
  std::optional<long long> sent;             // when the file was last written (s since 1970), where known
  std::vector<QsoLine> qsos;
};

// Reads a log from its bytes; file names it in messages.
Log ReadLog(std::string file, std::string bytes);

// Why a log cannot take part in a cross-check (no identifier, no PCall, no
// valid PWWLo), or empty when it can.
std::string Unusable(const Log& log);

// The station behind a call: upper case, portable prefixes and suffixes
// dropped ("DL/S50AAA/P" -> "S50AAA"): the longest part between slashes.
std::string Station(std::string_view call);

// Days since 2000-01-01 of a YYMMDD or YYYYMMDD date; nullopt when it is not one.
std::optional<long> DayNumber(std::string_view date);
// The day as YYYY-MM-DD.
std::string DateText(long day);

}  // namespace morvane::contest
