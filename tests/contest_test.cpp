// A whole contest cross-checked: one small contest, made here, in which
// every verdict occurs; the same contest under other rules, where only the
// lines those rules touch change; and the messy shapes real logs come in,
// which must give the clean form's verdicts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <map>
#include <numeric>
#include <random>
#include <tuple>
#include <regex>
#include <string>
#include <vector>

#include "contest/band.h"
#include "contest/crosscheck.h"
#include "contest/section.h"

namespace morvane::contest {
namespace {

// A QSO line: time, call logged, serials sent and received, locator
// received; claimed points and the D mark last.
std::string L(const char* time, const char* call, int sent, int received, const char* locator, int points = 1,
              const char* dupe = "") {
  char line[160];
  std::snprintf(line, sizeof line, "260905;%s;%s;1;59;%03d;59;%03d;;%s;%d;;;;%s", time, call, sent, received, locator,
                points, dupe);
  return line;
}

std::string Edi(const std::string& call, const std::string& locator, const std::vector<std::string>& lines,
                const std::string& band = "144 MHz") {
  std::string log = "[REG1TEST;1]\nTName=Test\nPCall=" + call + "\nPWWLo=" + locator + "\nPSect=SINGLE\nPBand=" + band +
                    "\nCQSOs=" + std::to_string(lines.size()) + ";1\n[Remarks]\n[QSORecords;" +
                    std::to_string(lines.size()) + "]\n";
  for (const std::string& l : lines) log += l + "\n";
  return log + "[END;Test]\n";
}

// The contest: OK1AAA worked everyone; each partner shows one case.
std::map<std::string, std::string> Contest() {
  return {
      {"a.edi", Edi("OK1AAA", "JO70AA",
                    {L("1400", "OK1BBB", 1, 1, "JO70BB"), L("1410", "OK1CCC", 2, 1, "JO70CD"),
                     L("1420", "OK1DDD", 3, 9, "JO70DD"), L("1430", "OK1EEE", 4, 1, "JO70EE"),
                     L("1450", "DL1FFF", 5, 1, "JO50FF"), L("1500", "OK1KKX", 6, 1, "JO70KK"),
                     L("1510", "OK1MMM", 7, 1, "JO70MM"), L("1520", "OK1NNN", 8, 5, "JO70NN"),
                     L("1530", "S51GGG/P", 9, 1, "JN76GG"), L("1540", "OK1HHH", 10, 1, "JO70HH"),
                     L("1550", "OK1UUU", 11, 1, "JO70UU"), L("1600", "OK1BBB", 12, 2, "JO70BB", 0, "D"),
                     L("1610", "OK1EEE", 13, 2, "JO70EE", 5), "260905;1620;ERROR;;;014;;;;;;;;;",
                     ";;;;;;;;;;;;;;", L("1630", "OK1AAA", 15, 1, "JO70AA"), L("1640", "OK1UUU", 16, 2, "JO70UU", 0, "D")})},
      {"b.edi", Edi("OK1BBB", "JO70BB",
                    {L("1400", "OK1AAA", 1, 1, "JO70AA"), L("1420", "OK1NNN", 2, 1, "JO70NN"),
                     L("1430", "OK1XXX", 3, 1, "JO70XX"), L("1545", "OK1HHH", 4, 2, "JO70HH")})},
      {"b-early.edi", Edi("OK1BBB", "JO70BB", {L("1400", "OK1AAA", 1, 1, "JO70AA")}, "145 MHz")},
      {"c.edi", Edi("OK1CCC", "JO70CC", {L("1410", "OK1AAA", 1, 2, "JO70AA")})},
      {"d.edi", Edi("OK1DDD", "JO70DD", {L("1420", "OK1AAA", 1, 3, "JO70AA")})},
      {"e.edi", Edi("OK1EEE", "JO70EE", {L("1440", "OK1AAA", 1, 4, "JO70AA")})},
      {"f.edi", Edi("DL1FFF", "JO50FF", {L("1501", "OK1AAA", 1, 5, "JO70AA")})},
      {"k.edi", Edi("OK1KKK", "JO70KK", {L("1500", "OK1AAA", 1, 6, "JO70AA")})},
      {"m.edi", Edi("OK1MMM", "JO70MM", {L("1510", "OK1AAB", 1, 7, "JO70AA")})},
      {"n.edi", Edi("OK1NNN", "JO70NN", {L("1420", "OK1BBB", 1, 2, "JO70BB")})},
      {"g.edi", Edi("S51GGG", "JN76GG", {L("1530", "OK1AAA", 1, 9, "JO70AA")})},
      {"x.edi", Edi("OK1XXX", "JO70", {L("1430", "OK1BBB", 1, 3, "JO70BB")})},  // PWWLo too short: unusable
  };
}

struct Checked {
  std::vector<Log> logs;
  Result result;
  // "file:verdict verdict ..." in line order, per log.
  std::map<std::string, std::string> verdicts;
  const Score& score(const std::string& file) const {
    for (std::size_t i = 0; i < logs.size(); ++i)
      if (logs[i].file == file) return result.scores[i];
    throw std::out_of_range(file);
  }
};

Checked Check(const std::map<std::string, std::string>& files, const Rules& rules = {}) {
  Checked c;
  for (const auto& [name, text] : files) c.logs.push_back(ReadLog(name, text));
  c.result = Crosscheck(c.logs, rules);
  // Whatever the rules: paired lines point at each other, lines without a partner at none.
  for (std::size_t i = 0; i < c.logs.size(); ++i)
    for (const Judged& j : c.result.judged[i]) {
      const bool paired = j.verdict == Verdict::Ok || j.verdict == Verdict::Time || j.verdict == Verdict::BustedCall ||
                          j.verdict == Verdict::BustedLocator || j.verdict == Verdict::BustedExchange ||
                          ((j.verdict == Verdict::Duplicate || j.verdict == Verdict::OutsidePeriod) && j.matchLog >= 0);
      EXPECT_EQ(j.matchLog >= 0, paired) << c.logs[i].file << " " << j.reason;
      if (j.matchLog >= 0) {
        EXPECT_EQ(c.result.judged[j.matchLog][j.matchQso].matchLog, int(i));
      }
    }
  for (std::size_t i = 0; i < c.logs.size(); ++i) {
    std::string& v = c.verdicts[c.logs[i].file];
    for (const Judged& j : c.result.judged[i]) v += (v.empty() ? "" : " ") + std::string(Name(j.verdict));
  }
  return c;
}

const std::map<std::string, std::string> kExpected = {
    {"a.edi",
     "ok busted_locator busted_exchange ok time busted_call ok nil ok no_log unique duplicate duplicate invalid invalid "
     "invalid duplicate"},
    {"b.edi", "ok ok unique no_log"},
    {"b-early.edi", "superseded"},
    {"c.edi", "ok"},
    {"d.edi", "ok"},
    {"e.edi", "ok"},
    {"f.edi", "time"},
    {"k.edi", "ok"},
    {"m.edi", "busted_call"},
    {"n.edi", "ok"},
    {"g.edi", "ok"},
    {"x.edi", "invalid"},
};

TEST(Crosscheck, EveryVerdict) {
  const Checked c = Check(Contest());
  for (const auto& [file, verdicts] : kExpected) EXPECT_EQ(c.verdicts.at(file), verdicts) << file;
  const Score& a = c.score("a.edi");
  EXPECT_EQ(a.penalty, 50);  // the unmarked repeat claimed 5 points: 10 x 5
  EXPECT_EQ(a.claimed, 17);  // 12 lines of 1 and the repeat's 5; the D lines are not claimed
  EXPECT_EQ(a.total, a.checked - 50);
  // JO70AA to JO70BB is 7.6 km: 8 points; a QSO that does not count scores none.
  EXPECT_EQ(c.result.judged[0][0].points, 8);
  EXPECT_EQ(c.result.judged[0][4].points, 0);
  ASSERT_EQ(c.result.sets.size(), 1u);
  EXPECT_EQ(c.result.sets[0].band, "144 MHz");
  EXPECT_EQ(c.logs[c.result.sets[0].logs[0]].file, "a.edi");  // the highest total first
}

// Each rule changes only the lines it is about.
TEST(Crosscheck, RulesChangeOnlyTheirLines) {
  const auto with = [](std::map<std::string, std::string> changes) {
    std::map<std::string, std::string> all = kExpected;
    for (const auto& [file, verdicts] : changes) all[file] = verdicts;
    return all;
  };
  Rules both, tolerance, period, periodWithEnd, halves;
  both.bothLose = true;
  halves.periods = {*ReadPeriod("14:00-15:00"), *ReadPeriod("15:30-17:00")};
  halves.duplicatesPerPeriod = true;
  tolerance.toleranceMinutes = 5;
  period.periods = {*ReadPeriod("14:00-15:00")};
  periodWithEnd.periods = {*ReadPeriod("14:00-15:00")};
  periodWithEnd.periods[0].endCounts = true;
  const std::string outside8 =
      "outside_period outside_period outside_period outside_period outside_period outside_period outside_period "
      "outside_period";
  const struct {
    const char* name;
    Rules rules;
    std::map<std::string, std::string> verdicts;
  } cases[] = {
      {"--loser both", both,
       with({{"a.edi", "ok busted_locator busted_exchange ok time busted_call busted_call nil ok no_log unique duplicate "
                       "duplicate invalid invalid invalid duplicate"},
             {"c.edi", "busted_locator"}, {"d.edi", "busted_exchange"}, {"k.edi", "busted_call"}})},
      // 10 minutes apart is now too far; the repeat of that station is then the first to count... and is a nil.
      {"--tolerance 5", tolerance,
       with({{"a.edi", "ok busted_locator busted_exchange time time busted_call ok nil ok no_log unique duplicate nil "
                       "invalid invalid invalid duplicate"},
             {"e.edi", "time"}})},
      // Paired first: the line f.edi logged at 15:01 still pairs with a.edi's, 11 minutes off.
      {"--period 14:00-15:00", period,
       with({{"a.edi", "ok busted_locator busted_exchange ok time " + outside8 + " invalid invalid invalid outside_period"},
             {"b.edi", "ok ok unique outside_period"}, {"f.edi", "outside_period"}, {"k.edi", "outside_period"},
             {"m.edi", "outside_period"}, {"g.edi", "outside_period"}})},
      // The end minute counting (OK Activity): the QSOs logged at 15:00 are in.
      {"--period 14:00-15:00 --end-minute counts", periodWithEnd,
       with({{"a.edi", "ok busted_locator busted_exchange ok time busted_call " + outside8.substr(15) +
                           " invalid invalid invalid outside_period"},
             {"b.edi", "ok ok unique outside_period"}, {"f.edi", "outside_period"}, {"m.edi", "outside_period"},
             {"g.edi", "outside_period"}})},
      // Two periods, a station worked once in each: the repeats in the
      // second (with nobody's line to pair) are nils, not duplicates.
      {"--period 14:00-15:00,15:30-17:00 --duplicates per-period", halves,
       with({{"a.edi", "ok busted_locator busted_exchange ok time outside_period outside_period outside_period ok "
                       "no_log unique nil nil invalid invalid invalid duplicate"},
             {"f.edi", "outside_period"}, {"k.edi", "outside_period"}, {"m.edi", "outside_period"}})},
  };
  for (const auto& c : cases) EXPECT_EQ(Check(Contest(), c.rules).verdicts, c.verdicts) << c.name;

  // Scores: uniques dropped, penalties set, ring scoring.
  Rules drop, penalties, ring;
  drop.countUniques = false;
  penalties.penalty[static_cast<int>(Verdict::Duplicate)] = 0;
  penalties.penalty[static_cast<int>(Verdict::Nil)] = 2;
  ring.ringScoring = true;
  const Checked plain = Check(Contest()), dropped = Check(Contest(), drop), fined = Check(Contest(), penalties),
                ringed = Check(Contest(), ring);
  EXPECT_GT(plain.result.judged[0][10].points, 0);
  EXPECT_EQ(dropped.result.judged[0][10].points, 0);
  // The D line with the unique station is no duplicate now: no QSO with it counts.
  EXPECT_EQ(dropped.verdicts, with({{"a.edi", "ok busted_locator busted_exchange ok time busted_call ok nil ok no_log "
                                              "unique duplicate duplicate invalid invalid invalid unique"}}));
  EXPECT_EQ(dropped.score("a.edi").checked, plain.score("a.edi").checked - plain.result.judged[0][10].points);
  EXPECT_EQ(fined.score("a.edi").penalty, 2);  // the nil claimed 1 point; the repeat costs nothing now
  // Ring: 2 each in JO70 (B, E, M, H, U), JN76 four rings off: 6; two big squares.
  EXPECT_EQ(ringed.score("a.edi").squares, 2);
  // Claimed as ring points times the big squares logged (JO70, JO50, JN76), comparable with checked.
  EXPECT_EQ(ringed.score("a.edi").claimedScore, 3 * ringed.score("a.edi").claimed);
  EXPECT_EQ(ringed.score("a.edi").checked, (5 * 2 + 6) * 2);
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
  return s;
}

// Apply fn to field n (from 0) of every QSO line.
std::string MapField(const std::string& log, int n, const std::function<std::string(std::string)>& fn) {
  std::string out;
  std::size_t at = 0;
  while (at < log.size()) {
    std::size_t end = log.find('\n', at);
    end = end == std::string::npos ? log.size() : end + 1;
    std::string line = log.substr(at, end - at);
    at = end;
    if (std::count(line.begin(), line.end(), ';') >= 14 && line.find("ERROR") == std::string::npos &&
        line.find(";;;;;;;;;;;;;;") == std::string::npos) {
      std::size_t start = 0;
      for (int i = 0; i < n; ++i) start = line.find(';', start) + 1;
      const std::size_t stop = std::min(line.find_first_of(";\r\n", start), line.size());
      line = line.substr(0, start) + fn(line.substr(start, stop - start)) + line.substr(stop);
    }
    out += line;
  }
  return out;
}

// The shapes real logs come in give the clean form's verdicts.
TEST(Crosscheck, MessyLogsGiveTheCleanVerdicts) {
  const auto replaceAll = [](std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
    return s;
  };
  const auto lower = [](std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  const struct {
    const char* name;
    std::function<std::string(const std::string&)> change;
  } shapes[] = {
      {"BOM, mail header, blank lines", [](const std::string& s) { return "\xef\xbb\xbf" "From: x@y\nSubject: log\n\n\n" + s; }},
      {"[REGITEST;1]", [&](const std::string& s) { return replaceAll(s, "[REG1TEST;1]", "[REGITEST;1]"); }},
      {"CRLF", [&](const std::string& s) { return replaceAll(s, "\n", "\r\n"); }},
      {"mixed line ends", [&](const std::string& s) { return replaceAll(s, ";;;;\n", ";;;;\r\n"); }},
      {"8-digit dates", [&](const std::string& s) { return MapField(s, 0, [](std::string d) { return "20" + d; }); }},
      {"times with a trailing space", [&](const std::string& s) { return MapField(s, 1, [](std::string t) { return t + " "; }); }},
      {"lower-case calls", [&](const std::string& s) { return MapField(s, 2, lower); }},
      {"lower-case locators", [&](const std::string& s) { return MapField(s, 9, lower); }},
      {"serials as 011/", [&](const std::string& s) { return MapField(s, 7, [](std::string n) { return n + "/"; }); }},
      {"16 fields", [&](const std::string& s) { return MapField(s, 14, [](std::string d) { return d + ";"; }); }},
      {"14 fields, no D mark", [&](const std::string& s) { return replaceAll(s, ";;;;\n", ";;;\n"); }},
      {"report and serial run together", [](const std::string& s) {
         return std::regex_replace(s, std::regex(";59;([0-9]{3});"), ";59$1;;");
       }},
      {"599 and serial run together", [](const std::string& s) {
         return std::regex_replace(s, std::regex(";59;([0-9]{3});"), ";599$1;;");
       }},
      {"empty points", [&](const std::string& s) { return MapField(s, 10, [](std::string) { return ""; }); }},
      {"a wrong record count", [&](const std::string& s) { return replaceAll(s, "[QSORecords;", "[QSORecords;9"); }},
      {"no [QSORecords] line", [&](const std::string& s) {
         return s.substr(0, s.find("[Remarks]")) + s.substr(s.find('\n', s.find("[QSORecords")) + 1);
       }},
      {"Latin-1 and UTF-8 names", [&](const std::string& s) {
         return replaceAll(s, "TName=Test", "TName=Test\nPClub=Mlad\xe1 Boleslav\nRName=Ji\xc5\x99\xc3\xad");
       }},
  };
  for (const auto& shape : shapes) {
    std::map<std::string, std::string> files = Contest();
    for (auto& [name, text] : files) text = shape.change(text);
    EXPECT_EQ(Check(files).verdicts, kExpected) << shape.name;
  }
}

// Pinned edges of the busted-call search, duplicates and the report check.
TEST(Crosscheck, BustedCallEdgesDuplicatesAndReports) {
  // Midnight, the end of "20:00-24:00", is minute 0 of the next day, and said to be the end.
  Rules evening;
  evening.periods = {*ReadPeriod("20:00-24:00")};
  const Checked late = Check({{"a.edi", Edi("OK1AAA", "JO70AA", {"260906;0000;OK1CCC;1;59;002;59;001;;JO70CC;1;;;;"})}},
                             evening);
  EXPECT_EQ(late.result.judged[0][0].reason, "260906 0000 is outside the period (its end minute is not in it)");
  // OK1XXX logged OK1AAB at 14:00; OK1AAA logged OK1XXX (or OK1XXY) later, with what agreeing.
  const struct {
    const char *time, *call;
    int aSent, aReceived;
    const char* aLocator;
    const char* verdicts;  // OK1XXX's line, then OK1AAA's
  } cases[] = {
      {"1400", "OK1XXX", 1, 7, "JO70XX", "busted_call ok"},             // 4 of 4
      {"1400", "OK1XXX", 1, 9, "JO70XX", "busted_call busted_exchange"},  // 3 of 4
      {"1400", "OK1XXX", 2, 9, "JO70XX", "unique nil"},                 // 2 of 4: not enough
      {"1410", "OK1XXX", 1, 7, "JO70XX", "busted_call ok"},             // exactly the tolerance later
      {"1411", "OK1XXX", 1, 7, "JO70XX", "unique nil"},                 // a minute more
      {"1400", "OK1XXY", 1, 7, "JO70XX", "busted_call busted_call"},    // both copied a wrong call
  };
  for (const auto& c : cases) {
    const Checked r = Check({{"x.edi", Edi("OK1XXX", "JO70XX", {L("1400", "OK1AAB", 7, 1, "JO70AA")})},
                             {"a.edi", Edi("OK1AAA", "JO70AA", {L(c.time, c.call, c.aSent, c.aReceived, c.aLocator)})}});
    EXPECT_EQ(r.verdicts.at("x.edi") + " " + r.verdicts.at("a.edi"), c.verdicts) << c.time << " " << c.call << " "
                                                                                  << c.aSent << " " << c.aReceived;
  }
  // A duplicate the logger marked D costs nothing, whatever it claims; unmarked, 10 times its points.
  const Checked d = Check({{"a.edi", Edi("OK1AAA", "JO70AA", {L("1400", "OK1BBB", 1, 1, "JO70BB"),
                                                             L("1410", "OK1BBB", 2, 1, "JO70BB", 5, "D"),
                                                             L("1420", "OK1BBB", 3, 1, "JO70BB", 5)})},
                           {"b.edi", Edi("OK1BBB", "JO70BB", {L("1400", "OK1AAA", 1, 1, "JO70AA")})}});
  EXPECT_EQ(d.result.judged[0][1].penalty + d.result.judged[0][2].penalty * 1000, 50 * 1000);
  // The report check compares R and S: 59 against 599 is no error.
  std::string b = MapField(Edi("OK1BBB", "JO70BB", {L("1400", "OK1AAA", 1, 1, "JO70AA")}), 6, [](std::string) { return "599"; });
  EXPECT_EQ(Check({{"a.edi", Edi("OK1AAA", "JO70AA", {L("1400", "OK1BBB", 1, 1, "JO70BB")})}, {"b.edi", b}}).verdicts.at("b.edi"), "ok");
}

// Two logs with hundreds of QSOs between the same two calls (hostile, or
// broken): paired nearest first as few lines are, without listing every pair.
TEST(Crosscheck, ManyLinesBetweenTwoStationsPairNearestFirst) {
  std::mt19937 random(4);
  std::vector<long> minutes(800);
  std::iota(minutes.begin(), minutes.end(), 0);
  std::shuffle(minutes.begin(), minutes.end(), random);
  const auto lines = [&](int from, const char* call) {
    std::vector<std::string> out;
    for (int k = from; k < from + 400; ++k) {
      char line[96];
      std::snprintf(line, sizeof line, "26090%ld;%02ld%02ld;%s;1;59;001;59;001;;JO70AA;1;;;;", 5 + minutes[k] / 1440,
                    minutes[k] % 1440 / 60, minutes[k] % 60, call);
      out.push_back(line);
    }
    return out;
  };
  const Checked c = Check({{"a.edi", Edi("OK1AAA", "JO70AA", lines(0, "OK1BBB"))},
                           {"b.edi", Edi("OK1BBB", "JO70AA", lines(400, "OK1AAA"))}});
  // Every pair, nearest first, each line once: the plain greedy as the reference.
  std::vector<std::tuple<long, int, int>> all;
  for (int i = 0; i < 400; ++i)
    for (int k = 0; k < 400; ++k) all.emplace_back(std::labs(minutes[i] - minutes[400 + k]), i, k);
  std::sort(all.begin(), all.end());
  std::vector<long> expected(400, -1);
  std::vector<bool> taken(400);
  for (const auto& [apart, i, k] : all)
    if (expected[i] < 0 && !taken[k]) expected[i] = k, taken[k] = true;
  const int a = c.logs[0].file == "a.edi" ? 0 : 1;
  for (int i = 0; i < 400; ++i) ASSERT_EQ(c.result.judged[a][i].matchQso, expected[i]) << i;
}

// A serial its writer sent unreadably costs the writer, not the partner.
TEST(Crosscheck, AnUnreadableSerialIsItsWritersError) {
  std::string b = Edi("OK1BBB", "JO70BB", {L("1400", "OK1AAA", 1, 1, "JO70AA")});
  b = MapField(b, 5, [](std::string) { return "x"; });
  const Checked c = Check({{"a.edi", Edi("OK1AAA", "JO70AA", {L("1400", "OK1BBB", 1, 1, "JO70BB")})}, {"b.edi", b}});
  EXPECT_EQ(c.verdicts.at("a.edi") + " " + c.verdicts.at("b.edi"), "ok busted_exchange");
  EXPECT_NE(c.result.judged[0][0].reason.find("its sent serial, x, cannot be read: its error"), std::string::npos)
      << c.result.judged[0][0].reason;
}

// Of the stations a wrong call could be, the one whose exchange agrees best,
// then the nearest in time; the band multiplier is the rules', never the log's CQSOs.
TEST(Crosscheck, BustedCallPicksTheBestMatchAndTheMultiplierCounts) {
  std::map<std::string, std::string> files = {
      {"a.edi", Edi("OK1AAA", "JO70AA", {L("1400", "OK1KKX", 1, 1, "JO70KK")})},
      {"k.edi", Edi("OK1KKK", "JO70KK", {L("1409", "OK1AAA", 1, 1, "JO70AA")})},
      {"y.edi", Edi("OK1KKY", "JO70KK", {L("1401", "OK1AAA", 1, 2, "JO70AA")})},
      {"z.edi", Edi("OK1KKZ", "JO70KK", {L("1403", "OK1AAA", 1, 1, "JO70AA")})},
  };
  Checked c = Check(files);
  EXPECT_EQ(c.logs[c.result.judged[0][0].matchLog].file, "z.edi");  // 4 of 4 and nearer than k.edi
  files.erase("z.edi");
  c = Check(files);
  EXPECT_EQ(c.logs[c.result.judged[0][0].matchLog].file, "k.edi");  // 4 of 4 beats the nearer 3 of 4
  std::string doubled = files["k.edi"];
  doubled.replace(doubled.find("CQSOs=1;1"), 9, "CQSOs=1;2");
  // The nearer of two QSOs with one station is paired, whichever comes first.
  const Checked nearest = Check({{"a.edi", Edi("OK1AAA", "JO70AA", {L("1400", "OK1BBB", 1, 1, "JO70BB"),
                                                                   L("1409", "OK1BBB", 2, 1, "JO70BB", 1, "D")})},
                                 {"b.edi", Edi("OK1BBB", "JO70BB", {L("1408", "OK1AAA", 1, 2, "JO70AA")})}});
  EXPECT_EQ(nearest.verdicts.at("a.edi"), "nil ok");
  const Checked claimed = Check({{"k.edi", doubled}}), plain = Check({{"k.edi", files["k.edi"]}});
  EXPECT_EQ(claimed.result.judged[0][0].points, plain.result.judged[0][0].points);
  // The claim keeps the log's own x2, so claimed and checked compare as the log meant them.
  EXPECT_EQ(claimed.result.scores[0].claimedScore, 2 * plain.result.scores[0].claimedScore);
  EXPECT_EQ(claimed.result.notes, std::vector<std::string>{
                                      "k.edi: CQSOs claims points x2; the rules give x1 for 144 MHz, and that is what counts"});
  Rules x5;
  x5.bandMultipliers["144 MHz"] = 5;
  x5.bandMultipliers["432 MHz"] = 10;
  EXPECT_EQ(Check({{"k.edi", files["k.edi"]}}, x5).result.judged[0][0].points, 5 * plain.result.judged[0][0].points);
}

// Sets gather around the days most logs carry: a log dated two days early
// neither splits the contest nor moves its date; it is named, and checked
// with its partners. Days two apart are one contest, three apart two.
TEST(Crosscheck, OneLogsDateCannotSplitTheContest) {
  // A's stations at JO70AA, B's at JO70BB, each with one QSO.
  const auto dated = [](const std::string& call, const char* day, const std::string& partner) {
    const bool a = call[3] == 'A';
    return MapField(Edi(call, a ? "JO70AA" : "JO70BB", {L("1400", partner.c_str(), 1, 1, a ? "JO70BB" : "JO70AA")}), 0,
                    [&](std::string) { return day; });
  };
  std::map<std::string, std::string> files;
  for (int k = 0; k < 6; ++k) {
    const std::string a = "OK1A" + std::string(1, char('A' + k)), b = "OK1B" + std::string(1, char('A' + k));
    files[a + ".edi"] = dated(a, k < 3 ? "260905" : "260906", b);  // Saturday and Sunday
    files[b + ".edi"] = dated(b, k < 3 ? "260905" : "260906", a);
  }
  files["typo.edi"] = dated("OK1TTT", "260903", "OK1AA");
  const Checked c = Check(files);
  ASSERT_EQ(c.result.sets.size(), 1u);
  EXPECT_EQ(DateText(c.result.sets[0].firstDay), "2026-09-05");
  EXPECT_EQ(std::count(c.result.notes.begin(), c.result.notes.end(),
                       "typo.edi: its QSOs are dated 2026-09-03, outside the 2026-09-05 contest its partners are in; "
                       "checked with it"), 1);
  EXPECT_EQ(c.verdicts.at("OK1BF.edi"), "ok");
  // The date: the first day with a fifth of the busiest day's logs (2 of 10 is; 1 of 10 is not).
  // Sets gather around the day most logs are near, not the busiest day alone.
  for (const auto& [days, date, sets] : {std::tuple{"050506060606060606060606", "2026-09-05", 1u},
                                         std::tuple{"0506060606060606060606", "2026-09-06", 1u},
                                         std::tuple{"0505070909", "2026-09-05", 1u}}) {
    std::map<std::string, std::string> logs;
    for (std::size_t k = 0; 2 * k < std::strlen(days); ++k) {
      const std::string call = "OK1" + std::string(1, char('A' + k % 2)) + std::string(1, char('A' + k / 2)) + "X";
      const std::string partner = "OK1" + std::string(1, char('A' + (k + 1) % 2)) + std::string(1, char('A' + k / 2)) + "X";
      logs[call + ".edi"] = dated(call, ("2609" + std::string(days + 2 * k, 2)).c_str(), partner);
    }
    const Checked grouped = Check(logs);
    ASSERT_EQ(grouped.result.sets.size(), sets) << days;
    EXPECT_EQ(DateText(grouped.result.sets[0].firstDay), date) << days;
  }
  for (const auto& [apart, sets] : {std::pair{"260907", 1u}, std::pair{"260908", 2u}}) {
    const Checked two = Check({{"a.edi", dated("OK1AAA", "260905", "OK1BBB")}, {"b.edi", dated("OK1BBB", apart, "OK1AAA")}});
    EXPECT_EQ(two.result.sets.size(), sets) << apart;
  }
}

TEST(Crosscheck, SetsAndWholeLogsOff) {
  // Another band's typo, an earlier round: sets of their own.
  std::map<std::string, std::string> files = {{"a.edi", Contest().at("a.edi")}, {"b.edi", Contest().at("b.edi")}};
  files["typo.edi"] = Edi("OK1TTT", "JO70TT", {L("1400", "OK1AAA", 1, 1, "JO70AA")}, "14 MHz");
  std::string earlier = Edi("OK1BBB", "JO70BB", {L("1400", "OK1AAA", 1, 1, "JO70AA")});
  files["earlier.edi"] = MapField(earlier, 0, [](std::string) { return "260805"; });
  const Checked c = Check(files);
  EXPECT_EQ(c.result.sets.size(), 3u);
  EXPECT_EQ(c.verdicts.at("typo.edi"), "unique");
  EXPECT_EQ(c.verdicts.at("earlier.edi"), "unique");
  EXPECT_EQ(c.verdicts.at("b.edi"), "ok no_log unique no_log");
  EXPECT_EQ(c.result.notes.size(), 1u);

  // Sets in frequency order, the unknown band last.
  files["ghz.edi"] = Edi("OK1GGG", "JO70GG", {L("1400", "OK1AAA", 1, 1, "JO70AA")}, "1,3 GHz");
  files["uhf.edi"] = Edi("OK1UUU", "JO70UU", {L("1400", "OK1AAA", 1, 1, "JO70AA")}, "432");
  std::string order;
  for (const Set& set : Check(files).result.sets) order += set.band + ";";
  EXPECT_EQ(order, "144 MHz;144 MHz;432 MHz;1.3 GHz;14 MHz;");
  files.erase("ghz.edi");
  files.erase("uhf.edi");

  // A log of another contest the same weekend is named; spellings of one contest are one.
  files["earlier.edi"] = ReplaceAll(Contest().at("c.edi"), "TName=Test", "TName=Marconi Memorial");
  files["typo.edi"] = ReplaceAll(Contest().at("d.edi"), "TName=Test", "TName= TEST ");
  const Checked other = Check(files);
  ASSERT_EQ(other.result.notes.size(), 1u);
  EXPECT_EQ(other.result.notes[0].rfind("earlier.edi: TName=Marconi Memorial, another contest than the Test 3 logs", 0), 0u)
      << other.result.notes[0];
  // Nor does such a log, sent later by a station of this contest, stand in for its log of this one.
  files["later.edi"] = ReplaceAll(Contest().at("b.edi"), "TName=Test", "TName=Marconi Memorial");
  std::vector<Log> logs;
  for (const auto& [name, text] : files) logs.push_back(ReadLog(name, text));
  for (Log& log : logs) log.sent = log.file == "later.edi" ? 2 : 1;
  const Result later = Crosscheck(logs, {});
  for (std::size_t i = 0; i < logs.size(); ++i)
    EXPECT_EQ(later.supersededBy[i] >= 0, logs[i].file == "later.edi") << logs[i].file;

  // A PBand typo is checked where its partners are; the manager's band overrides both.
  files["typo.edi"] = Edi("OK1TTT", "JO70TT", {L("1430", "OK1BBB", 1, 5, "JO70BB")}, "14 MHz");
  files["b.edi"] = Edi("OK1BBB", "JO70BB", {L("1430", "OK1TTT", 5, 1, "JO70TT")});
  for (const auto& [manager, verdict, words] :
       {std::tuple{"", "ok", "its QSOs pair with 1 log on 144 MHz"}, {"432", "unique", "as the manager set it"}}) {
    Rules rules;
    if (*manager) rules.bands["typo.edi"] = NormaliseBand(manager).name;
    const Checked typo = Check(files, rules);
    EXPECT_EQ(typo.verdicts.at("typo.edi"), verdict) << manager;
    EXPECT_TRUE(std::any_of(typo.result.notes.begin(), typo.result.notes.end(),
                            [&](const std::string& n) { return n.find(words) != std::string::npos; })) << manager;
  }

  // A log dated a day off, or kept in local time: every QSO of its own is
  // time, its partners keep theirs, and it is said once.
  const struct {
    int shift;
    const char *words, *reason;
  } offs[] = {
      {1440, "1 day ahead of its partners' on 4 of 4 paired QSOs (a wrong date?)",
       "logged 260906 1401, OK1PBBB logged 260905 1401: this log's clock is 1 day ahead of its partners'"},
      {120, "2 hours ahead of its partners' on 4 of 4 paired QSOs (local time?)",
       "logged 260905 1601, OK1PBBB logged 260905 1401: this log's clock is 2 hours ahead of its partners'"},
      {-60, "1 hour behind its partners' on 4 of 4 paired QSOs (local time?)",
       "logged 260905 1301, OK1PBBB logged 260905 1401: this log's clock is 1 hour behind its partners'"},
  };
  for (const auto& [shift, words, reason] : offs) {
    std::map<std::string, std::string> day;
    std::vector<std::string> mine;
    for (int k = 1; k <= 4; ++k) {
      const std::string call = "OK1P" + std::string(3, char('A' + k)), time = std::to_string(1400 + k);
      day[call + ".edi"] = Edi(call, "JO70AA", {L(time.c_str(), "OK1ZZZ", 1, k, "JO70BB")});
      const long minute = 14 * 60 + k + shift + (k == 4 ? 10 : 0);  // the last one at the tolerance
      char when[32];
      std::snprintf(when, sizeof when, "%s;%02ld%02ld", minute >= 1440 ? "260906" : "260905", minute % 1440 / 60,
                    minute % 60);
      mine.push_back(std::string(when) + L("", call.c_str(), k, 1, "JO70AA").substr(7));
    }
    day["z.edi"] = Edi("OK1ZZZ", "JO70BB", mine);
    const Checked off = Check(day);
    EXPECT_EQ(off.verdicts.at("z.edi"), "time time time time") << words;
    EXPECT_EQ(off.verdicts.at("OK1PBBB.edi") + off.verdicts.at("OK1PEEE.edi"), "okok") << words;
    ASSERT_EQ(off.result.notes.size(), 1u) << words;
    EXPECT_NE(off.result.notes[0].find(words), std::string::npos) << off.result.notes[0];
    EXPECT_EQ(off.result.judged.back()[0].reason.rfind(reason, 0), 0u) << off.result.judged.back()[0].reason;
  }
}

TEST(ContestLog, SectionsAsLoggersWriteThem) {
  for (const auto& [psect, section] :
       {std::pair{"SO", "SINGLE"}, {"Single op", "SINGLE"}, {"SINGLE-OP", "SINGLE"}, {"6 - SOP", "SINGLE"},
        {"single", "SINGLE"}, {"SINGLEOP", "SINGLE"}, {"SOSB", "SINGLE"}, {"MO", "MULTI"}, {"Multi operator", "MULTI"},
        {"MULTI-OP", "MULTI"}, {"CHECK LOG", "CHECK"}, {"CHECKLOG", "CHECK"}, {"checklog", "CHECK"},
        {"Jednotlivec", ""}, {"", ""}, {"MOSQUITO", ""}, {"ASSO", ""}}) {
    const SectionRule* rule = SectionOf(psect);
    EXPECT_EQ(rule ? rule->name : "", section) << psect;
  }
  // A contest's own sections: the first that matches, * anywhere in a pattern.
  const std::vector<SectionRule> own = {{"QRP", {"*QRP*", "A*B*C"}}, {"SO", {"SO", "JEDNOTLIV*"}}};
  for (const auto& [psect, section] : {std::pair{"Jednotlivec", "SO"}, {"SO QRP", "QRP"}, {"single", ""},
                                       {"AxxBxxC", "QRP"}, {"AxxBxx", ""}, {"ABCD", ""}, {"xABC", ""}}) {
    const SectionRule* rule = SectionOf(psect, own);
    EXPECT_EQ(rule ? rule->name : "", section) << psect;
  }
}

TEST(ContestLog, LinesBandsCallsAndPeriods) {
  // Physical lines, LF-separated, whatever comes before the identifier.
  for (const auto& [text, line] : {std::pair{"\xef\xbb\xbf\n\n[REG1TEST;1]\r\nPWWLo=JO70AA\r\n[QSORecords;1]\r\n" + L("1400", "A1A", 1, 1, "JO70AA"), 6L},
                                   {"x\r\n[REG1TEST;1]\n[QSORecords;1]\r\n\n" + L("1400", "A1A", 1, 1, "JO70AA"), 5L}}) {
    const Log log = ReadLog("x", text);
    ASSERT_EQ(log.qsos.size(), 1u);
    EXPECT_EQ(log.qsos[0].line, line);
  }
  for (const auto& [pband, band] :
       {std::pair{"144 MHz", "144 MHz"}, {"145", "144 MHz"}, {"2m", "144 MHz"}, {"435 MHz", "432 MHz"},
        {"70cm", "432 MHz"}, {"1,3 GHz", "1.3 GHz"}, {"1296", "1.3 GHz"}, {"23cm", "1.3 GHz"}, {"2,3 GHz", "2.3 GHz"},
        {"3,4 GHz", "3.4 GHz"}, {"5,7 GHz", "5.7 GHz"}, {"10 GHz", "10 GHz"}, {"10368", "10 GHz"},
        {"24 GHz", "24 GHz"}, {"50 MHz", "50 MHz"}, {"50", "50 MHz"}, {"70 MHz", "70 MHz"}, {"14 MHz", "14 MHz"}}) {
    EXPECT_EQ(NormaliseBand(pband).name, band) << pband;
    EXPECT_EQ(NormaliseBand(pband).known, std::string(pband) != "14 MHz") << pband;
  }
  for (const auto& [call, station] : {std::pair{"S50AAA/P", "S50AAA"}, {"DL/S50AAA", "S50AAA"}, {"dl/s50aaa/p", "S50AAA"},
                                      {"OK1ABC", "OK1ABC"}})
    EXPECT_EQ(Station(call), station) << call;
  for (const auto& [a, b, one] : {std::tuple{"OK1ABC", "OK1ABD", true}, {"OK1ABC", "OK1AB", true},
                                  {"OK1ABC", "OK1AABC", true}, {"OK1ABC", "OK1BAC", true}, {"OK1ABC", "OK1ABC", false},
                                  {"OK1ABC", "OK1BCA", false}, {"OK1ABC", "OK1XYC", false},
                                  {"OK1ABC", "OK1BAD", false}, {"OK1ABC", "OK1BXC", false}})
    EXPECT_EQ(OneEditApart(a, b), one) << a << " " << b;
  for (const char* date : {"2000-01-01", "2000-02-29", "2000-03-01", "2004-02-29", "2024-02-29", "2026-09-05", "2099-12-31"}) {
    const std::string compact = std::string(date).substr(0, 4) + std::string(date).substr(5, 2) + std::string(date).substr(8);
    EXPECT_EQ(DateText(*DayNumber(compact)), date);
  }
  EXPECT_EQ(*DayNumber("20000301") - *DayNumber("20000228"), 2);  // 2000 is a leap year
  EXPECT_EQ(ReadLog("x", "[REG1TEST;1]\n[QSORecords;1]\n260905;14;A1A;1;59;1;59;1;;JO70AA;1;;;;\n").qsos[0].unusable,
            "date or time cannot be read");
  EXPECT_EQ(DayNumber("260905"), DayNumber("20260905"));
  const auto p = ReadPeriod("2026-09-05T14:00-2026-09-06T14:00");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->end - p->start, 1440);
  // Empty periods are refused, not a contest voided: a whole day gives its dates, or 00:00-24:00.
  for (const char* bad : {"14:00", "25:00-26:00", "0800-11", "x", "20:00-24:01", "14:00-14:00", "202609051400-202609051400"})
    EXPECT_FALSE(ReadPeriod(bad)) << bad;
  EXPECT_TRUE(ReadPeriod("20:00-24:00"));  // to midnight
  EXPECT_EQ(ReadPeriod("00:00-24:00")->end, 1440);
}

}  // namespace
}  // namespace morvane::contest
