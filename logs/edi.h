// REG1TEST (EDI) contest logs: the QSO points of IARU Region 1 VHF and up,
// checked against the claims or filled in. A log is read line by line, in
// bounded memory, and passed through unchanged but for field 11 of each QSO
// line, N of [QSORecords;N] and the values of CQSOs, CQSOP, CToSc and CODXC. Standard C++ and the core
// only, apart from the command line so that it can be fuzzed alone.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morvane::edi {

// Kilometres per degree of arc on the contest's own sphere.
inline constexpr double kKmPerDegree = 111.2;

// The distance of two 6-character locators' centres on that sphere, and the
// points it scores before the band multiplier: the kilometres truncated,
// plus one. Pairs on one meridian or on opposite meridians (through a pole)
// are computed in whole numbers, so a distance that is whole on paper
// scores exactly; others in double precision from unit vectors.
struct Distance {
  double km;
  long points;
};
// nullopt unless both are valid 6-character locators (any case).
std::optional<Distance> ContestDistance(std::string_view own, std::string_view other);

// Blanks, tabs and a carriage return trimmed from both ends, as log lines
// and their fields are read.
std::string_view Trim(std::string_view s);
// A whole number, digits only (blanks around allowed), of at most maxDigits
// digits; nullopt otherwise.
std::optional<long> WholeNumber(std::string_view s, std::size_t maxDigits = 15);

// The n-th part (from 0) of a header value split at ';', or at ',' when it
// has no ';' ("CQSOs=5,1"), trimmed; empty when there is none.
std::string_view Part(std::string_view value, std::size_t n);

// Claimed points read at most: more digits than this are not a claim.
inline constexpr std::size_t kMaxClaimDigits = 9;
// A band multiplier (CQSOs, --band-multiplier) of more digits is refused.
inline constexpr std::size_t kMaxMultiplierDigits = 6;

// One QSO line as the rules see it.
struct Qso {
  long line;  // counted from 1
  std::string_view call, locator, claimed;  // trimmed
  std::optional<long> claimedPoints;         // nullopt: empty or not a number
  long points;                               // computed, with the multiplier
  double km;                                 // 0 for an invalid QSO
  bool valid;                                // scores: not a duplicate, not ERROR, a full locator
  std::string_view whyNone;                  // for an invalid QSO: why it scores 0
};

// What a whole pass over a log found.
struct Totals {
  bool identified = false;        // a [REG1TEST;1] line was found
  long pwwloLine = 0;             // 0: no PWWLo line
  std::string pwwlo;              // upper case when valid, as written otherwise
  bool pwwloValid = false;
  std::optional<long> declaredRecords;  // N of [QSORecords;N] when it is a number
  std::optional<std::string> declaredRecordsText;  // N as written, when the line is there
  long emptyRecords = 0;          // lines of separators only: records without a QSO
  long strayQsoLines = 0, firstStrayQsoLine = 0;  // QSO-shaped lines outside [QSORecords]
  bool multiplierTooLarge = false;  // CQSOs' multiplier has more than kMaxMultiplierDigits digits
  std::string band;               // PBand as written
  bool crOnlyLineEnds = false;    // a carriage return ends the lines, never a line feed
  std::string cqsos, cqsop, ctosc, codxc;  // header values as written (trimmed)
  bool bonusUsed = false;         // bonus or multiplier fields with values
  long multiplier = 1;            // as used
  long qsos = 0, valid = 0, agree = 0, differ = 0, unreadable = 0;
  // Of the claims that differ: those within the band multiplier (the km
  // rule rounded another way: int(d) or round(d)), and those farther off
  // (another rule, such as rings of big squares).
  long nearMisses = 0, otherRule = 0;
  long claimedTotal = 0, computedTotal = 0;
  std::optional<double> bestKm;   // the farthest valid QSO: its km,
  std::string bestCall, bestLocator;  // call and locator (upper case)
};

// The header values a fill writes, from the totals of a first pass; an
// empty one is left as it stands. cqsos: the count of valid QSOs, written
// before the rest of each CQSOs value; records: N of [QSORecords;N].
struct HeaderValues {
  std::string cqsos, cqsop, ctosc, codxc, records;
};
HeaderValues FilledHeader(const Totals& totals);

// Whether CODXC names the best QSO: its call, its locator and its
// kilometres, truncated (int(d)) or as the QSO's points (int(d) + 1); loggers
// write either.
bool CodxcAgrees(const Totals& totals);

// The records [QSORecords;N] should count: QSOs, unreadable and empty lines.
inline long Records(const Totals& t) { return t.qsos + t.unreadable + t.emptyRecords; }

// Whether a PBand value names a band above 10 GHz ("24 GHz", "47GHz",
// "24048 MHz"), where the km rule of the lower bands is not the contest's.
bool AboveTenGigahertz(std::string_view band);

class Pass {
 public:
  // write: the log with the fill applied (may be empty: nothing written).
  // qso: each QSO line read. warn: lines that cannot be read, once each.
  // multiplier: 0 to take it from CQSOs. fill: the header values to write,
  // or nullopt to copy the log unchanged.
  struct Hooks {
    std::function<void(std::string_view)> write;
    std::function<void(const Qso&)> qso;
    std::function<void(const std::string&)> warn;
  };
  Pass(Hooks hooks, long multiplier, std::optional<HeaderValues> fill);

  void Feed(std::string_view bytes);
  void Finish();
  const Totals& totals() const { return totals_; }
  // Past the first 1000 lines or MiB without a [REG1TEST;1] line: the rest
  // need not be read to say that this is not a contest log.
  bool NotALog() const { return !totals_.identified && (lineNumber_ >= 1000 || fed_ >= (1 << 20)); }

  // A line longer than this is copied through and cannot be a QSO.
  static constexpr std::size_t kMaxLine = 64 * 1024;

 private:
  enum class Section { Preamble, Header, Remarks, Records, End };
  void Line(std::string_view line);  // with its "\n", if any
  void HeaderLine(std::string_view text, std::string_view line);
  void RecordLine(std::string_view text, std::string_view line);
  void Emit(std::string_view bytes) {
    if (hooks_.write) hooks_.write(bytes);
  }

  Hooks hooks_;
  long forcedMultiplier_;
  std::optional<HeaderValues> fill_;
  bool sawLineFeed_ = false, sawCarriageReturn_ = false;
  std::size_t fed_ = 0;
  Section section_ = Section::Preamble;
  std::string pending_;  // a line not yet complete
  bool overlong_ = false;  // the current line went past kMaxLine
  long lineNumber_ = 0;
  Totals totals_;
};

}  // namespace morvane::edi
