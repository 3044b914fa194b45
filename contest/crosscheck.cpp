#include "contest/crosscheck.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <map>
#include <queue>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "contest/band.h"
#include "locator/ascii.h"
#include "locator/precision.h"
#include "logs/edi.h"

namespace morvane::contest {
namespace {

constexpr int Index(Verdict v) { return static_cast<int>(v); }

constexpr std::string_view kNames[kVerdicts] = {
    "ok",    "nil",       "busted_call", "busted_locator", "busted_exchange", "time", "duplicate",
    "no_log", "unique", "invalid",     "outside_period", "superseded",
};

// Logs whose QSO days lie within this many days of the day most logs are
// near are one contest.
constexpr long kContestDays = 2;

std::string Plural(long n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

std::string Shown(std::string_view s) { return s.empty() ? std::string("nothing") : std::string(s); }

// The big square (4 characters) of a valid locator, as column and row.
std::pair<int, int> BigSquare(std::string_view l) {
  return {(l[0] - 'A') * 10 + (l[2] - '0'), (l[1] - 'A') * 10 + (l[3] - '0')};
}

// OK Activity points: 2 in the own big square, one more per ring around it.
long RingPoints(std::string_view own, std::string_view other) {
  const auto [ac, ar] = BigSquare(own);
  const auto [bc, br] = BigSquare(other);
  const int columns = std::abs(ac - bc);
  return 2 + std::max(std::min(columns, 180 - columns), std::abs(ar - br));
}

// Locators here are upper case already.
bool ValidSix(std::string_view locator) { return locator.size() == 6 && CheckLocatorOfLength(locator); }

// The R and S of a report: its first two characters.
std::string_view ReadabilityAndStrength(std::string_view rst) { return rst.substr(0, 2); }

// TName, for comparing: letters and digits only, upper case.
std::string ContestKey(std::string_view name) {
  std::string key;
  for (char c : name)
    if (std::isalnum(static_cast<unsigned char>(c))) key += Upper(c);
  return key;
}

// The contest most of a set's logs name (its ContestKey and a spelling,
// and how many), or nothing when they name fewer than two.
struct Named {
  std::string key, spelling;
  long logs = 0;
  bool several = false;  // more than one contest named
};
Named MostNamed(const std::vector<Log>& logs, const std::vector<int>& set) {
  std::map<std::string, std::pair<long, std::string>> named;  // key -> logs, a spelling
  for (int i : set)
    if (const std::string key = ContestKey(logs[i].contest); !key.empty())
      named.emplace(key, std::pair{0L, logs[i].contest}).first->second.first++;
  if (named.empty()) return {};
  const auto most = std::max_element(named.begin(), named.end(),
                                     [](const auto& x, const auto& y) { return x.second.first < y.second.first; });
  return {most->first, most->second.second, most->second.first, named.size() > 1};
}

class SetChecker {
 public:
  SetChecker(const std::vector<Log>& logs, const Rules& rules, Result& result, Set& set)
      : logs_(logs), rules_(rules), r_(result), set_(set) {}

  void Run() {
    ChooseLogs();
    Classify();
    PairExactly();
    PairBustedCalls();
    FindClockOffsets();
    Judge();
    if (rules_.bothLose) BothLose();
    JudgePeriod();
    MarkDuplicates();
    ScoreLogs();
    std::stable_sort(set_.logs.begin(), set_.logs.end(),
                     [&](int a, int b) { return r_.scores[a].total > r_.scores[b].total; });
  }

 private:
  struct Partner {
    int log;
    long qso;
  };

  Judged& J(int log, long qso) { return r_.judged[log][qso]; }
  const QsoLine& Q(int log, long qso) const { return logs_[log].qsos[qso]; }
  bool Paired(int log, long qso) const { return r_.judged[log][qso].matchLog >= 0; }
  int Owner(const std::string& station) const {
    const auto it = owner_.find(station);
    return it == owner_.end() ? -1 : it->second;
  }

  // Whether log a, rather than b, is the station's log used (Rules::resubmission).
  bool Preferred(int a, int b) const {
    const Log &x = logs_[a], &y = logs_[b];
    // A log of another contest held the same weekend never stands in for
    // the station's log of this one, however late it came.
    if (const bool ax = OfThisContest(a), bx = OfThisContest(b); ax != bx) return ax;
    if (rules_.resubmission == Rules::Resubmission::Newest && x.sent && y.sent && *x.sent != *y.sent)
      return *x.sent > *y.sent;
    return x.qsos.size() > y.qsos.size();
  }

  // Whether a log names the contest most of its set name (or none).
  bool OfThisContest(int i) const {
    const std::string key = ContestKey(logs_[i].contest);
    return key.empty() || named_.key.empty() || key == named_.key;
  }

  // One log per station: the one sent last, or the one with more QSO lines;
  // the others superseded, and never ranked.
  void ChooseLogs() {
    named_ = MostNamed(logs_, set_.logs);
    for (int i : set_.logs) {
      const auto [it, fresh] = owner_.emplace(logs_[i].station, i);
      if (fresh) continue;
      const int kept = Preferred(i, it->second) ? i : it->second;
      const int other = kept == i ? it->second : i;
      it->second = kept;
      const bool newer = rules_.resubmission == Rules::Resubmission::Newest && logs_[kept].sent && logs_[other].sent &&
                         *logs_[kept].sent != *logs_[other].sent;
      const std::string why = logs_[kept].station + "'s other log " + logs_[kept].file + " (" +
                              Plural(long(logs_[kept].qsos.size()), "QSO line", "QSO lines") + ") is used";
      for (Judged& j : r_.judged[other]) j = {Verdict::Superseded, -1, -1, 0, 0, why};
      r_.supersededBy[other] = kept;
      r_.notes.push_back(logs_[other].file + ": " + logs_[other].station + " sent two logs for " + set_.band + "; " +
                         logs_[kept].file + " is used, " +
                         (OfThisContest(kept) != OfThisContest(other) ? "naming this contest (TName=" + logs_[kept].contest + ")"
                          : newer ? std::string("sent later")
                                : "having more QSO lines (" + std::to_string(logs_[kept].qsos.size()) + " against " +
                                      std::to_string(logs_[other].qsos.size()) + ")") +
                         ", and this one's are superseded");
    }
    for (const auto& [station, log] : owner_) active_.push_back(log);
    std::sort(active_.begin(), active_.end());
  }

  // The period a minute falls in (the first, where an end minute that
  // counts is also the next one's start), 0 when the contest has none, -1
  // outside them all.
  int PeriodOf(long minute) const {
    if (rules_.periods.empty()) return 0;
    for (std::size_t n = 0; n < rules_.periods.size(); ++n) {
      const Period& p = rules_.periods[n];
      const auto beforeEnd = [&](long m) { return p.endCounts ? m <= p.end : m < p.end; };
      const long m = p.timeOfDay ? minute % 1440 : minute;
      if ((!p.timeOfDay || p.start <= p.end) ? m >= p.start && beforeEnd(m) : m >= p.start || beforeEnd(m))
        return int(n);
    }
    return -1;
  }
  bool InPeriod(long minute) const { return PeriodOf(minute) >= 0; }

  // Lines that are no QSO, or outside the period, are judged here; the
  // rest are indexed by the station worked.
  void Classify() {
    for (int a : active_) {
      auto& byStation = byStation_[a];
      auto& byTime = byTime_[a];
      for (long i = 0; i < long(logs_[a].qsos.size()); ++i) {
        const QsoLine& q = Q(a, i);
        Judged& j = J(a, i);
        if (!q.unusable.empty()) {
          j = {Verdict::Invalid, -1, -1, 0, 0, std::string(q.unusable)};
        } else if (q.station == logs_[a].station) {
          j = {Verdict::Invalid, -1, -1, 0, 0, "the station's own call"};
        } else {
          // Paired whether in the period or not; judged by it after (JudgePeriod).
          byStation[q.station].push_back(i);
          byTime.emplace_back(*q.minute, i);
          // Logs, not lines: a station worked twice by one log is worked by one.
          if (!InPeriod(*q.minute)) continue;
          if (Worked& w = worked_[q.station]; w.lastLog != a) {
            w.lastLog = a;
            ++w.logs;
          }
        }
      }
      std::sort(byTime.begin(), byTime.end());
    }
  }

  void Pair(int a, long i, int b, long k) {
    J(a, i).matchLog = b;
    J(a, i).matchQso = k;
    J(b, k).matchLog = a;
    J(b, k).matchQso = i;
  }

  // Each QSO of A with B to B's QSO with A, nearest times first, each once.
  void PairExactly() {
    std::vector<std::tuple<long, long, long>> pairs;  // time apart, A's line, B's line
    for (int a : active_) {
      for (const auto& [station, mine] : byStation_[a]) {
        const int b = Owner(station);
        if (b <= a) continue;  // once per pair of logs (and no log: nothing to pair)
        const auto theirs = byStation_[b].find(logs_[a].station);
        if (theirs == byStation_[b].end()) continue;
        if (mine.size() * theirs->second.size() > kEveryPairAtMost) {
          PairAlongTheClock(a, mine, b, theirs->second);
          continue;
        }
        pairs.clear();
        for (long i : mine)
          for (long k : theirs->second) pairs.emplace_back(std::labs(*Q(a, i).minute - *Q(b, k).minute), i, k);
        std::sort(pairs.begin(), pairs.end());
        for (const auto& [apart, i, k] : pairs)
          if (!Paired(a, i) && !Paired(b, k)) Pair(a, i, b, k);
      }
    }
  }

  // Two stations rarely work each other more than a few times in a
  // contest; beyond this many pairs of their lines (a hostile or broken
  // log), every pair is not listed.
  static constexpr std::size_t kEveryPairAtMost = 1 << 16;

  // The same nearest-first pairing in O(n log n): the nearest two lines of
  // A and B not yet paired are always neighbours on the clock (a line
  // between them would be nearer one of them), so only neighbours are
  // candidates, and pairing two makes their outer neighbours neighbours.
  void PairAlongTheClock(int a, const std::vector<long>& mine, int b, const std::vector<long>& theirs) {
    struct Line {
      long minute, index;
      bool ofA;
      int before, after;
    };
    std::vector<Line> clock;
    for (long i : mine) clock.push_back({*Q(a, i).minute, i, true, 0, 0});
    for (long k : theirs) clock.push_back({*Q(b, k).minute, k, false, 0, 0});
    std::sort(clock.begin(), clock.end(), [](const Line& x, const Line& y) {
      return std::tie(x.minute, x.ofA, x.index) < std::tie(y.minute, y.ofA, y.index);
    });
    const int n = int(clock.size());
    for (int at = 0; at < n; ++at) clock[at].before = at - 1, clock[at].after = at + 1 < n ? at + 1 : -1;
    using Candidate = std::tuple<long, long, long, int, int>;  // apart, A's line, B's line, positions
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> candidates;
    const auto offer = [&](int x, int y) {
      if (x < 0 || y < 0 || clock[x].ofA == clock[y].ofA) return;
      const Line& l = clock[x].ofA ? clock[x] : clock[y];
      const Line& r = clock[x].ofA ? clock[y] : clock[x];
      candidates.emplace(std::labs(l.minute - r.minute), l.index, r.index, x, y);
    };
    for (int at = 0; at + 1 < n; ++at) offer(at, at + 1);
    while (!candidates.empty()) {
      const auto [apart, i, k, x, y] = candidates.top();
      candidates.pop();
      if (Paired(a, i) || Paired(b, k)) continue;
      Pair(a, i, b, k);
      // Both leave the clock; the lines around them become neighbours.
      const int outerBefore = clock[x].before, outerAfter = clock[y].after;
      if (outerBefore >= 0) clock[outerBefore].after = outerAfter;
      if (outerAfter >= 0) clock[outerAfter].before = outerBefore;
      offer(outerBefore, outerAfter);
    }
  }

  // A QSO no log confirms may have a wrong call: station C, one edit from
  // the call logged, logged this station (or a call one edit from it)
  // within the tolerance, and at least three of the four exchanged values
  // agree.
  void PairBustedCalls() {
    std::unordered_map<std::string, std::vector<int>> variants;  // a call less one letter, or the call
    const auto each = [](const std::string& call, auto&& take) {
      take(call);
      for (std::size_t at = 0; at < call.size(); ++at) take(call.substr(0, at) + call.substr(at + 1));
    };
    for (int c : active_) each(logs_[c].station, [&](std::string v) { variants[std::move(v)].push_back(c); });
    std::vector<int> candidates;
    for (int x : active_) {
      const Log& logX = logs_[x];
      for (const auto& [minute, i] : byTime_[x]) {
        if (Paired(x, i)) continue;
        const QsoLine& r = Q(x, i);
        candidates.clear();
        each(r.station, [&](const std::string& v) {
          if (const auto it = variants.find(v); it != variants.end())
            candidates.insert(candidates.end(), it->second.begin(), it->second.end());
        });
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        int bestLog = -1, bestAgree = 0;
        long bestQso = -1, bestApart = 0;
        for (int c : candidates) {
          const Log& logC = logs_[c];
          if (c == x || logC.station == r.station || !OneEditApart(logC.station, r.station)) continue;
          const auto& times = byTime_[c];
          auto it = std::lower_bound(times.begin(), times.end(), std::pair(minute - rules_.toleranceMinutes, -1L));
          for (; it != times.end() && it->first <= minute + rules_.toleranceMinutes; ++it) {
            const QsoLine& q = Q(c, it->second);
            if (Paired(c, it->second) || (q.station != logX.station && !OneEditApart(q.station, logX.station))) continue;
            const int agree = (r.received && r.received == q.sent) + (q.received && q.received == r.sent) +
                              (r.locator == logC.locator) + (q.locator == logX.locator);
            const long apart = std::labs(it->first - minute);
            if (agree >= 3 && (agree > bestAgree || (agree == bestAgree && apart < bestApart))) {
              bestLog = c, bestQso = it->second, bestAgree = agree, bestApart = apart;
            }
          }
        }
        if (bestLog < 0) continue;
        Pair(x, i, bestLog, bestQso);
        const QsoLine& q = Q(bestLog, bestQso);
        BustedCall(x, i, bestLog, bestQso, bestAgree);
        if (q.station != logX.station) BustedCall(bestLog, bestQso, x, i, bestAgree);
      }
    }
  }

  void BustedCall(int x, long i, int c, long k, int agree) {
    Judged& j = J(x, i);
    j.verdict = Verdict::BustedCall;
    j.reason = "logged " + std::string(Q(x, i).call) + ", but " + logs_[c].call + " (" + logs_[c].file + " line " +
               std::to_string(Q(c, k).line) + ") logged this QSO: " + std::to_string(agree) +
               " of 4 serials and locators agree";
  }

  // The verdict of a paired line, from what both sides logged.
  void JudgePaired(int a, long i) {
    Judged& j = J(a, i);
    const int b = j.matchLog;
    const QsoLine &q = Q(a, i), &p = Q(b, j.matchQso);
    const std::string& partner = logs_[b].call;
    const long off = *q.minute - *p.minute;
    // A clock off as a whole is its log's error alone: its own lines are
    // judged time, and its partners' are judged with the offset taken out.
    if (const auto mine = clockOffset_.find(a); mine != clockOffset_.end() &&
                                                std::labs(off - mine->second) <= rules_.toleranceMinutes) {
      j.verdict = Verdict::Time;
      j.reason = "logged " + std::string(q.date) + " " + std::string(q.time) + ", " + partner + " logged " +
                 std::string(p.date) + " " + std::string(p.time) + ": this log's clock is " + OffsetText(mine->second) +
                 " its partners', and that is charged to this log alone";
      return;
    }
    const auto theirs = clockOffset_.find(b);
    const bool corrected = theirs != clockOffset_.end() && std::labs(-off - theirs->second) <= rules_.toleranceMinutes;
    const long apart = corrected ? 0 : std::labs(off);
    if (apart > rules_.toleranceMinutes) {
      const bool sameDay = *q.minute / 1440 == *p.minute / 1440;
      j.verdict = Verdict::Time;
      j.reason = "logged " + (sameDay ? "" : std::string(q.date) + " ") + std::string(q.time) + ", " + partner +
                 " logged " + (sameDay ? "" : std::string(p.date) + " ") + std::string(p.time) + ": " +
                 std::to_string(apart) + " minutes apart (more than " + std::to_string(rules_.toleranceMinutes) + ")";
      return;
    }
    if (q.locator != logs_[b].locator) {
      j.verdict = Verdict::BustedLocator;
      j.reason = "received " + Shown(q.rcvdLocator) + ", " + partner + " sent " + logs_[b].locator;
      return;
    }
    // A serial its writer did not send readably is the writer's error, not
    // the error of the partner who had nothing to compare with.
    if (!q.sent) {
      j.verdict = Verdict::BustedExchange;
      j.reason = "the serial sent, " + Shown(q.sentSerial) + ", cannot be read: " + partner + " could not be checked";
      return;
    }
    const bool serial = p.sent && (!q.received || q.received != p.sent);
    const bool report = rules_.reportCheck && ReadabilityAndStrength(q.rcvdRst) != ReadabilityAndStrength(p.sentRst);
    if (serial || report) {
      j.verdict = Verdict::BustedExchange;
      j.reason = serial ? (q.received ? "received " + std::string(q.rcvdSerial) : std::string("no serial received")) +
                              ", " + partner + " sent " + Shown(p.sentSerial)
                        : "received report " + Shown(q.rcvdRst) + ", " + partner + " sent " + Shown(p.sentRst);
      return;
    }
    j.verdict = Verdict::Ok;
    j.reason = "confirmed by " + logs_[b].file + " line " + std::to_string(p.line);
    if (!p.sent) j.reason += " (its sent serial, " + Shown(p.sentSerial) + ", cannot be read: its error)";
    if (corrected) j.reason += " (its clock, " + OffsetText(theirs->second) + " this log's, is its error)";
  }

  // "1 day behind", "2 hours ahead of".
  static std::string OffsetText(long minutes) {
    const long hours = std::labs(minutes) / 60;
    return (hours % 24 == 0 ? Plural(hours / 24, "day", "days") : Plural(hours, "hour", "hours")) +
           (minutes > 0 ? " ahead of" : " behind");
  }

  void Judge() {
    for (int a : active_) {
      for (const auto& [minute, i] : byTime_[a]) {
        Judged& j = J(a, i);
        if (Paired(a, i)) {
          if (j.verdict != Verdict::BustedCall) JudgePaired(a, i);
          continue;
        }
        const QsoLine& q = Q(a, i);
        if (const int b = Owner(q.station); b >= 0) {
          j.verdict = Verdict::Nil;
          j.reason = logs_[b].call + "'s log (" + logs_[b].file + ") has no QSO with " + logs_[a].station +
                     " that pairs with this one";
        } else if (const long others = worked_[q.station].logs - 1; others > 0) {
          j.verdict = Verdict::NoLog;
          j.reason = q.station + " sent no usable log; " + Plural(others, "other log has", "other logs have") + " it";
        } else {
          j.verdict = Verdict::Unique;
          j.reason = q.station + " sent no usable log and no other log has it";
        }
      }
    }
  }

  static bool Busted(Verdict v) {
    return v == Verdict::BustedCall || v == Verdict::BustedLocator || v == Verdict::BustedExchange;
  }

  // --loser both: the side that copied right loses with the side that did not.
  void BothLose() {
    for (int a : active_)
      for (const auto& [minute, i] : byTime_[a]) {
        Judged& j = J(a, i);
        if (j.verdict != Verdict::Ok || j.matchLog < 0) continue;
        const Judged& other = J(j.matchLog, j.matchQso);
        if (!Busted(other.verdict)) continue;
        j.verdict = other.verdict;
        j.reason = logs_[j.matchLog].call + " copied wrongly (" + other.reason + "); both sides lose the QSO";
      }
  }

  // A line outside the period counts for nothing, though it was paired:
  // its partner's line inside the period keeps its verdict.
  void JudgePeriod() {
    if (rules_.periods.empty()) return;
    for (int a : active_)
      for (const auto& [minute, i] : byTime_[a]) {
        if (InPeriod(minute)) continue;
        Judged& j = J(a, i);
        const QsoLine& q = Q(a, i);
        j.verdict = Verdict::OutsidePeriod;
        // Midnight, the end of "20:00-24:00", is minute 0 of the day. (A
        // copy: lambdas may not capture a structured binding before C++20's
        // last compilers, and the fuzzers build with clang 14.)
        const long at = minute;
        const bool atEnd = std::any_of(rules_.periods.begin(), rules_.periods.end(), [at](const Period& p) {
          return p.timeOfDay ? at % 1440 == p.end % 1440 : at == p.end;
        });
        j.reason = std::string(q.date) + " " + std::string(q.time) + " is outside the period" +
                   (rules_.periods.size() > 1 ? "s" : "") + (atEnd ? " (its end minute is not in it)" : "");
      }
  }

  bool Counts(Verdict v) const {
    return v == Verdict::Ok || (v == Verdict::NoLog && rules_.countNoLog) || (v == Verdict::Unique && rules_.countUniques);
  }

  // The first counted QSO with a station (in each period, where the rules
  // say so) stays; later ones with it are duplicates.
  void MarkDuplicates() {
    std::unordered_map<std::string_view, long> first;
    std::map<std::pair<std::string_view, int>, long> firstInPeriod;
    for (int a : active_) {
      first.clear();
      firstInPeriod.clear();
      for (long i = 0; i < long(logs_[a].qsos.size()); ++i) {
        Judged& j = J(a, i);
        const Verdict v = j.verdict;
        if (v == Verdict::Invalid || v == Verdict::OutsidePeriod || v == Verdict::Superseded) continue;
        const QsoLine& q = Q(a, i);
        const bool perPeriod = rules_.duplicatesPerPeriod && rules_.periods.size() > 1;
        long* counted = nullptr;
        if (perPeriod) {
          const auto it = firstInPeriod.find({q.station, PeriodOf(*q.minute)});
          counted = it == firstInPeriod.end() ? nullptr : &it->second;
        } else if (const auto it = first.find(q.station); it != first.end()) {
          counted = &it->second;
        }
        if (counted) {
          j.verdict = Verdict::Duplicate;
          j.reason = q.station + " again" + (perPeriod ? " in this period" : "") + "; line " +
                     std::to_string(Q(a, *counted).line) + " counts" + (q.marked ? "" : " (not marked D)");
        } else if (Counts(v)) {
          if (perPeriod) firstInPeriod.emplace(std::pair{std::string_view(q.station), PeriodOf(*q.minute)}, i);
          else first.emplace(q.station, i);
        }
      }
    }
  }

  // Every log of the set, superseded ones too (nothing of theirs counts).
  void ScoreLogs() {
    for (int a : set_.logs) {
      const Log& log = logs_[a];
      Score& s = r_.scores[a];
      const long multiplier = rules_.MultiplierOf(set_.band);
      if (log.multiplier && *log.multiplier != multiplier)
        r_.notes.push_back(log.file + ": CQSOs claims points x" + std::to_string(*log.multiplier) + "; the rules give x" +
                           std::to_string(multiplier) + " for " + set_.band + ", and that is what counts");
      std::vector<std::pair<int, int>> squares{BigSquare(log.locator)};
      for (long i = 0; i < long(log.qsos.size()); ++i) {
        Judged& j = J(a, i);
        const QsoLine& q = Q(a, i);
        if (!Counts(j.verdict)) {
          j.penalty = rules_.penalty[Index(j.verdict)] * (q.marked ? 0 : q.claimed);
          continue;
        }
        // Confirmed: the partner's own locator; otherwise the one received.
        const std::string& other = j.verdict == Verdict::Ok ? logs_[j.matchLog].locator : q.locator;
        if (!ValidSix(other)) {
          j.reason += "; no points: the locator " + Shown(other) + " is not a 6-character one";
          continue;
        }
        if (rules_.ringScoring) {
          j.points = RingPoints(log.locator, other);
          squares.push_back(BigSquare(other));
        } else {
          j.points = edi::ContestDistance(log.locator, other)->points * multiplier;
        }
      }
      std::sort(squares.begin(), squares.end());
      s.squares = std::unique(squares.begin(), squares.end()) - squares.begin();
      // The claim as the log's own numbers make it, so that it compares
      // with the checked score: ring points times the big squares it
      // logged, km points times the multiplier it claims.
      std::vector<std::pair<int, int>> claimedSquares{BigSquare(log.locator)};
      for (long i = 0; i < long(log.qsos.size()); ++i) {
        const Judged& j = J(a, i);
        const QsoLine& q = Q(a, i);
        ++s.counts[Index(j.verdict)];
        s.checked += j.points;
        s.penalty += j.penalty;
        if (q.marked) continue;
        s.claimed += q.claimed;
        if (ValidSix(q.locator)) claimedSquares.push_back(BigSquare(q.locator));
      }
      std::sort(claimedSquares.begin(), claimedSquares.end());
      const long claimedSquareCount = std::unique(claimedSquares.begin(), claimedSquares.end()) - claimedSquares.begin();
      s.claimedScore = s.claimed * (rules_.ringScoring ? claimedSquareCount : log.multiplier.value_or(1));
      s.lines = long(log.qsos.size());
      if (rules_.ringScoring) s.checked *= s.squares;
      s.total = s.checked - s.penalty;
    }
  }

  // A whole log a day or whole hours off its partners (a wrong date, local
  // time): most of its paired QSOs off by the same whole hours, at least
  // three. Said once, and charged to that log alone (see JudgePaired).
  void FindClockOffsets() {
    for (int a : active_) {
      std::map<long, long> offsets;  // hours off (rounded) -> paired QSOs
      long paired = 0;
      for (const auto& [minute, i] : byTime_[a]) {
        const Judged& j = J(a, i);
        if (j.matchLog < 0) continue;
        ++paired;
        const long off = *Q(a, i).minute - *Q(j.matchLog, j.matchQso).minute;
        if (std::labs(off) > rules_.toleranceMinutes) ++offsets[(off + (off > 0 ? 30 : -30)) / 60];
      }
      for (const auto& [hours, count] : offsets) {
        if (hours == 0 || count < 3 || count * 2 <= paired) continue;
        clockOffset_[a] = hours * 60;
        r_.notes.push_back(logs_[a].file + ": its times are " + OffsetText(hours * 60) + " its partners' on " +
                           std::to_string(count) + " of " + std::to_string(paired) + " paired QSOs (" +
                           (std::labs(hours) % 24 == 0 ? "a wrong date?" : "local time?") +
                           "); charged to this log alone: its QSOs are judged time, its partners keep theirs");
      }
    }
  }

  const std::vector<Log>& logs_;
  const Rules& rules_;
  Result& r_;
  Set& set_;
  std::unordered_map<std::string, int> owner_;  // station -> its log used
  Named named_;                                 // the contest most of the set name
  std::unordered_map<int, long> clockOffset_;   // log -> minutes its clock is ahead of its partners' (whole hours)
  std::vector<int> active_;
  std::unordered_map<int, std::unordered_map<std::string, std::vector<long>>> byStation_;
  std::unordered_map<int, std::vector<std::pair<long, long>>> byTime_;  // (minute, line index)
  struct Worked {
    long logs = 0;     // logs with a QSO with this station
    int lastLog = -1;  // the last of them counted
  };
  std::unordered_map<std::string, Worked> worked_;
};

}  // namespace

std::string_view Name(Verdict verdict) { return kNames[Index(verdict)]; }

std::optional<Verdict> VerdictNamed(std::string_view name) {
  for (int i = 0; i < kVerdicts; ++i)
    if (kNames[i] == name) return static_cast<Verdict>(i);
  return std::nullopt;
}

bool OneEditApart(std::string_view a, std::string_view b) {
  if (a.size() < b.size()) std::swap(a, b);
  if (a.size() - b.size() > 1) return false;
  std::size_t i = 0;
  while (i < b.size() && a[i] == b[i]) ++i;
  if (a.size() != b.size()) return a.substr(i + 1) == b.substr(i);  // one letter added
  if (i == a.size()) return false;                                   // the same
  if (a.substr(i + 1) == b.substr(i + 1)) return true;               // one letter changed
  return i + 1 < a.size() && a[i] == b[i + 1] && a[i + 1] == b[i] && a.substr(i + 2) == b.substr(i + 2);
}

std::optional<Period> ReadPeriod(std::string_view text) {
  const auto digits = [](std::string_view s) {
    std::string d;
    for (char c : s)
      if (c >= '0' && c <= '9') d += c;
      else if (c != ':' && c != '-' && c != 'T' && c != ' ') return std::string("x");
    return d;
  };
  // The dash between START and END: the one after the first time of day.
  for (std::size_t dash = text.find('-'); dash != std::string_view::npos; dash = text.find('-', dash + 1)) {
    const std::string a = digits(text.substr(0, dash)), b = digits(text.substr(dash + 1));
    if (a.size() != b.size() || (a.size() != 4 && a.size() != 12)) continue;
    const auto minutes = [](const std::string& d) -> std::optional<long> {
      const long hh = std::stol(d.substr(d.size() - 4, 2)), mm = std::stol(d.substr(d.size() - 2));
      if (hh > 24 || mm > 59 || (hh == 24 && mm > 0)) return std::nullopt;
      if (d.size() == 4) return hh * 60 + mm;
      const auto day = DayNumber(d.substr(0, 8));
      return day ? std::optional(*day * 1440 + hh * 60 + mm) : std::nullopt;
    };
    const auto start = minutes(a), end = minutes(b);
    if (!start || !end) return std::nullopt;
    if (a.size() == 12 && *end <= *start) return std::nullopt;
    if (*end == *start) return std::nullopt;  // empty
    return Period{*start, *end, a.size() == 4};
  }
  return std::nullopt;
}

namespace {

// The band a log is checked on: the manager's (Rules::bands), its PBand, or,
// when PBand names no VHF band (a typo: "14 MHz" for 144), the band of the
// most logs that worked it and that it worked.
Band BandOf(const std::vector<Log>& logs, int i, const Rules& rules, std::vector<std::string>& notes) {
  const Log& log = logs[i];
  const std::string name = log.file.substr(log.file.find_last_of('/') + 1);
  for (const std::string& key : {log.file, name})
    if (const auto it = rules.bands.find(key); it != rules.bands.end()) {
      notes.push_back(log.file + ": checked on " + it->second + ", as the manager set it (PBand=" + log.band + ")");
      return NormaliseBand(it->second);
    }
  Band band = NormaliseBand(log.band);
  if (band.known) return band;
  std::unordered_set<std::string> worked;
  for (const QsoLine& q : log.qsos) worked.insert(q.station);
  std::map<std::string, long> partners;  // band -> logs that pair with this one
  for (const Log& other : logs) {
    if (&other == &log || !worked.count(other.station) || !Unusable(other).empty()) continue;
    const Band theirs = NormaliseBand(other.band);
    if (!theirs.known) continue;
    if (std::any_of(other.qsos.begin(), other.qsos.end(), [&](const QsoLine& q) { return q.station == log.station; }))
      ++partners[theirs.name];
  }
  const auto best = std::max_element(partners.begin(), partners.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
  if (best == partners.end()) {
    notes.push_back(log.file + ": PBand=" + log.band + " is no VHF or higher band; checked in a set of its own");
    return band;
  }
  notes.push_back(log.file + ": PBand=" + log.band + " is no VHF or higher band; its QSOs pair with " +
                  Plural(best->second, "log", "logs") + " on " + best->first + ", so it is checked there (--band " +
                  name + "=BAND sets it)");
  return NormaliseBand(best->first);
}

// A log naming another contest than most of its set's (one held the same
// weekend, sent to the wrong manager) is said, not mixed in silently.
void NoteOtherContests(const std::vector<Log>& logs, const Set& set, std::vector<std::string>& notes) {
  const Named most = MostNamed(logs, set.logs);
  if (!most.several) return;
  for (int i : set.logs) {
    const std::string key = ContestKey(logs[i].contest);
    if (key.empty() || key == most.key) continue;
    notes.push_back(logs[i].file + ": TName=" + logs[i].contest + ", another contest than the " + most.spelling +
                    " " + Plural(most.logs, "log", "logs") + " of its set name; checked with them (sent to "
                    "the wrong contest?)");
  }
}

}  // namespace

Result Crosscheck(const std::vector<Log>& logs, const Rules& rules) {
  Result r;
  const int n = int(logs.size());
  r.judged.resize(n);
  r.scores.resize(n);
  r.setOf.assign(n, -1);
  r.supersededBy.assign(n, -1);
  r.unusable.resize(n);
  // Logs by band, then by day, to be cut into contests.
  std::map<std::pair<std::string, bool>, std::vector<std::pair<long, int>>> bands;
  for (int i = 0; i < n; ++i) {
    const Log& log = logs[i];
    r.judged[i].resize(log.qsos.size());
    r.unusable[i] = Unusable(log);
    if (!r.unusable[i].empty()) {
      for (Judged& j : r.judged[i]) j.reason = "the log cannot be used: " + r.unusable[i];
      continue;
    }
    // The log's day: the median of its QSOs' days, so a few wrong dates do not move it.
    std::vector<long> days;
    for (const QsoLine& q : log.qsos)
      if (q.minute) days.push_back(*q.minute / 1440);
    long day = log.firstDay.value_or(0);
    if (!days.empty()) {
      std::nth_element(days.begin(), days.begin() + days.size() / 2, days.end());
      day = days[days.size() / 2];
    }
    const Band band = BandOf(logs, i, rules, r.notes);
    bands[{band.name, band.known}].emplace_back(day, i);
  }
  // Bands in frequency order (50 MHz before 144 MHz before 1.3 GHz), those not known last.
  std::vector<std::pair<const std::pair<std::string, bool>, std::vector<std::pair<long, int>>>*> byFrequency;
  for (auto& entry : bands) byFrequency.push_back(&entry);
  std::stable_sort(byFrequency.begin(), byFrequency.end(), [](const auto* x, const auto* y) {
    const auto mhz = [](const auto* e) { return e->first.second ? NormaliseBand(e->first.first).mhz : 1e12; };
    return mhz(x) < mhz(y);
  });
  for (auto* entry : byFrequency) {
    auto& [band, dated] = *entry;
    // The band's logs by day; sets grouped around the days most logs agree on.
    std::map<long, std::vector<int>> byDay;
    for (const auto& [day, i] : dated) byDay[day].push_back(i);
    std::vector<Set> sets;
    while (!byDay.empty()) {
      // The anchor: the day with the most logs within kContestDays of it,
      // then the most logs on it, then the earliest. One log with a wrong
      // date cannot move it, as the first log's day could.
      long anchor = 0;
      std::size_t bestNear = 0, bestOn = 0;
      for (const auto& [day, logsOn] : byDay) {
        std::size_t near = 0;
        for (auto it = byDay.lower_bound(day - kContestDays); it != byDay.end() && it->first <= day + kContestDays; ++it)
          near += it->second.size();
        if (near > bestNear || (near == bestNear && logsOn.size() > bestOn))
          anchor = day, bestNear = near, bestOn = logsOn.size();
      }
      // The set's date: its first day that many logs carry (a fifth of its
      // busiest day's), not a stray log's.
      const auto first = byDay.lower_bound(anchor - kContestDays);
      auto last = first;
      std::size_t busiest = 0;
      for (; last != byDay.end() && last->first <= anchor + kContestDays; ++last) busiest = std::max(busiest, last->second.size());
      Set set{band.first, band.second, std::numeric_limits<long>::max(), {}};
      long lastDay = std::numeric_limits<long>::min();
      for (auto it = first; it != last; ++it)
        if (5 * it->second.size() >= busiest) set.firstDay = std::min(set.firstDay, it->first), lastDay = std::max(lastDay, it->first);
      for (auto it = first; it != last; ++it) {
        for (int i : it->second) {
          set.logs.push_back(i);
          if (it->first < set.firstDay || it->first > lastDay)
            r.notes.push_back(logs[i].file + ": its QSOs are dated " + DateText(it->first) + ", outside the " +
                              DateText(set.firstDay) + " contest its partners are in; checked with it");
        }
      }
      byDay.erase(first, last);
      sets.push_back(std::move(set));
    }
    std::sort(sets.begin(), sets.end(), [](const Set& a, const Set& b) { return a.firstDay < b.firstDay; });
    for (Set& set : sets) {
      std::sort(set.logs.begin(), set.logs.end());
      NoteOtherContests(logs, set, r.notes);
      for (int i : set.logs) r.setOf[i] = int(r.sets.size());
      r.sets.push_back(std::move(set));
    }
  }
  for (Set& set : r.sets) SetChecker(logs, rules, r, set).Run();
  return r;
}

}  // namespace morvane::contest
