// A whole contest cross-checked: the logs grouped into sets (one band, one
// contest date), every QSO line paired with the other side's and given a
// verdict with its reason, and each log scored. Pure functions over parsed
// logs (contest/log.h), so that a contest can be built in memory.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contest/log.h"

namespace morvane::contest {

enum class Verdict {
  Ok, Nil, BustedCall, BustedLocator, BustedExchange, Time, Duplicate, NoLog, Unique, Invalid, OutsidePeriod,
  Superseded,
};
inline constexpr int kVerdicts = 12;
// "ok", "nil", "busted_call", ...
std::string_view Name(Verdict verdict);
std::optional<Verdict> VerdictNamed(std::string_view name);

// A contest period: minutes since 2000-01-01, or minutes of the day when
// timeOfDay (then an end before the start runs past midnight). The end
// minute is in it only when endCounts: IARU R1 contests end before it, OK
// Activity counts QSOs logged at 11:00 of its 08:00-11:00. QSOs are paired
// first and judged by the period after, so that one side's minute past the
// end does not cost the other side its QSO.
struct Period {
  long start = 0, end = 0;
  bool timeOfDay = false;
  bool endCounts = false;
};
// "08:00-11:00", "0800-1100", "202609051400-202609061400" or
// "2026-09-05T14:00-2026-09-06T14:00"; nullopt when it is none of them, or
// empty ("14:00-14:00": a day-long contest gives its dates).
std::optional<Period> ReadPeriod(std::string_view text);

// Every rule is a parameter; each default names the rule it comes from
// (IARU Region 1's, the Czech national rules', OK Activity's).
struct Rules {
  // IARU R1 rules: a time error of more than 10 minutes voids the QSO.
  int toleranceMinutes = 10;
  // Czech rules and UBN practice: only the side that logged wrongly loses.
  bool bothLose = false;
  // Czech rules: R and S compared; the third character is never an error.
  bool reportCheck = true;
  // IARU R1 since 2014: QSOs in the entrant's log only count.
  bool countUniques = true, countNoLog = true;
  // Claimed points times this are taken off for a line of that verdict;
  // IARU R1 (2001): a duplicate claimed with points costs 10 times them.
  std::array<long, kVerdicts> penalty = [] {
    std::array<long, kVerdicts> p{};
    p[static_cast<int>(Verdict::Duplicate)] = 10;
    return p;
  }();
  // OK Activity: 2 points in the own big square, one more per ring,
  // times the big squares worked. Otherwise km: int(d) + 1.
  bool ringScoring = false;
  // None: the whole contest. Several: a contest run in periods (two
  // 3-hour halves, a weekday's evening each week), a QSO counting in the
  // period it falls in.
  std::vector<Period> periods;
  // Whether a station may be worked again in each period (rules of
  // contests run in periods) or once in the whole contest.
  bool duplicatesPerPeriod = false;
  // A station's two logs for one band: the one sent last is its corrected
  // log (by file time; the one with more QSO lines when the times agree or
  // are unknown), or, as the contest may rule, the one with more lines.
  enum class Resubmission { Newest, MostLines } resubmission = Resubmission::Newest;
  // Points times the band's multiplier (the YO championship's x1, x5, x10),
  // the contest's rule: a log's own CQSOs is only its claim, since a log
  // whose header set its own multiplier would set its own score.
  long bandMultiplier = 1;
  std::map<std::string, long> bandMultipliers;  // by band ("432 MHz"), over bandMultiplier
  // The manager's band for a log whose PBand is wrong, by its file as shown
  // (or its name alone): over PBand and over the band its partners are on.
  std::map<std::string, std::string> bands;
  long MultiplierOf(const std::string& band) const {
    const auto it = bandMultipliers.find(band);
    return it == bandMultipliers.end() ? bandMultiplier : it->second;
  }
};

// What became of one QSO line.
struct Judged {
  Verdict verdict = Verdict::Invalid;
  int matchLog = -1;    // the paired line's log, or -1
  long matchQso = -1;   // its index in that log's qsos
  long points = 0;      // with the band multiplier (ring: before the squares)
  long penalty = 0;
  std::string reason;
};

struct Score {
  long lines = 0;            // QSO lines
  long claimed = 0;          // field 11 over lines not marked D
  long claimedScore = 0;     // claimed times the log's own multiplier: its big squares (ring), CQSOs's (km)
  long checked = 0, penalty = 0, total = 0;
  long squares = 0;          // ring scoring: big squares, the own one included
  std::array<long, kVerdicts> counts{};
};

// Logs compared with each other: one band, one contest.
struct Set {
  std::string band;
  bool bandKnown = false;
  long firstDay = 0;          // days since 2000-01-01
  std::vector<int> logs;      // indices into the logs, results order: highest total first
};

struct Result {
  std::vector<std::vector<Judged>> judged;  // per log, per QSO line
  std::vector<Score> scores;                // per log
  std::vector<int> setOf;                   // per log: its set, or -1 (unusable)
  std::vector<int> supersededBy;            // per log: the same station's log used instead, or -1
  std::vector<std::string> unusable;        // per log: why it took no part, or empty
  std::vector<Set> sets;
  std::vector<std::string> notes;           // said once: bands, superseded logs, clocks a day or hours off
};

Result Crosscheck(const std::vector<Log>& logs, const Rules& rules);

// Whether two calls are one edit apart: a letter changed, added or dropped,
// or two neighbours swapped.
bool OneEditApart(std::string_view a, std::string_view b);

}  // namespace morvane::contest
