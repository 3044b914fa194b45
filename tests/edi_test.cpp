// REG1TEST contest logs: the points rule at its edges, the file variants
// real logs come in, and the guarantee that a fill changes only the points
// and three header values.
#include <gtest/gtest.h>

#include <string>

#include "logs/edi.h"

namespace morvane::edi {
namespace {

TEST(ContestDistance, PointsAtTheEdges) {
  const struct {
    const char *own, *other;
    long points;
  } cases[] = {
      {"JO65FR", "IP62OA", 1302},  // the Handbook's worked example
      {"JO65FR", "JO42LT", 396},
      {"JO65FR", "JO65ER", 6},
      {"JO65FR", "jo65fr", 1},    // the same square scores 1
      {"KN12KR", "KN13KX", 140},  // 111.2 x 1.25 = 139 km exactly
      {"KN13KX", "KN12KR", 140},
      {"JO65FR", "JO65FQ", 5},    // 111.2 / 24 = 4.633 km
      {"JN18AA", "JN18AF", 24},   // 111.2 x 5/24 = 23.1667
      {"AA00AA", "AA00AG", 28},   // 111.2 x 6/24 = 27.8 exactly
      {"JJ00AA", "AI09AX", 20017},  // antipodes: 111.2 x 180 = 20016
      {"JA00AA", "JA00AA", 1},
      {"AR09AX", "JR09AX", 5},  // over the pole: 111.2 / 24
      {"AA00AA", "JA00AA", 5},  // over the South Pole
  };
  for (const auto& c : cases) {
    const auto d = ContestDistance(c.own, c.other);
    ASSERT_TRUE(d) << c.own << " " << c.other;
    EXPECT_EQ(d->points, c.points) << c.own << " " << c.other << ": " << d->km;
  }
  for (const char* bad : {"JO65", "", "JO65F", "JO65FR5", "ZZ99ZZ"}) EXPECT_FALSE(ContestDistance("JO65FR", bad)) << bad;
}

// Runs one pass; with fill, a second one writing the log.
struct Passed {
  Totals totals;
  std::string output;
  std::string warnings;
};
Passed Passes(const std::string& log, bool fill, long multiplier = 0) {
  Passed r;
  Pass first({nullptr, nullptr, [&](const std::string& w) { r.warnings += w + "\n"; }}, multiplier, std::nullopt);
  first.Feed(log);
  first.Finish();
  r.totals = first.totals();
  Pass second({[&](std::string_view b) { r.output += b; }, nullptr, nullptr}, multiplier,
              fill ? std::optional(FilledHeader(r.totals)) : std::nullopt);
  for (std::size_t at = 0; at < log.size(); at += 7) second.Feed(std::string_view(log).substr(at, 7));
  second.Finish();
  return r;
}

const std::string kHeader = "[REG1TEST;1]\r\nPCall=OZ1ABC\r\nPWWLo=JO65FR\r\nCQSOs=3;1\r\nCQSOP=1\r\nCToSc=1\r\nCODXC=X;AA00AA;1\r\n";
const std::string kQsos =
    "260905;1400;TF3XYZ;1;59;001;59;001;;IP62OA;1302;;N;N;\r\n"
    "260905;1405;DL1ABC;1;59;002;59;002;;JO42LT;;;N;N;\r\n"
    "260905;1410;OZ2XX;1;59;003;59;003;;JO65ER;9;;N;N;\r\n";
const std::string kFilledQsos =
    "260905;1400;TF3XYZ;1;59;001;59;001;;IP62OA;1302;;N;N;\r\n"
    "260905;1405;DL1ABC;1;59;002;59;002;;JO42LT;396;;N;N;\r\n"
    "260905;1410;OZ2XX;1;59;003;59;003;;JO65ER;6;;N;N;\r\n";

TEST(EdiPass, VariantsAreReadAndOnlyThePointsChange) {
  const std::string filledHeader = "[REG1TEST;1]\r\nPCall=OZ1ABC\r\nPWWLo=JO65FR\r\nCQSOs=3;1\r\nCQSOP=1704\r\nCToSc=1704\r\nCODXC=TF3XYZ;IP62OA;1302\r\n";
  const struct {
    const char* name;
    std::string before, after;
    long qsos, unreadable;
  } cases[] = {
      {"CR LF", kHeader + "[QSORecords;3]\r\n" + kQsos + "[END;Test]\r\n",
       filledHeader + "[QSORecords;3]\r\n" + kFilledQsos + "[END;Test]\r\n", 3, 0},
      {"byte-order mark, mail header, typo", "\xef\xbb\xbfSubject: log\n\n[REGITEST;1]\nPWWLo=jo65fr\n[QSORecords;9]\n"
       "20260905;1400;M\xf8LLER;1;59;001;59;001;;ip62oa;0;;N;N;;\n;;;;;;;;;;;;;;\n",
       "\xef\xbb\xbfSubject: log\n\n[REGITEST;1]\nPWWLo=jo65fr\n[QSORecords;2]\n"
       "20260905;1400;M\xf8LLER;1;59;001;59;001;;ip62oa;1302;;N;N;;\n;;;;;;;;;;;;;;\n", 1, 0},
      {"remarks in brackets, CR CR LF, counts filled",
       "[REG1TEST;1]\r\r\nPWWLo=JO65FR\r\r\nCQSOs=7;1;x\r\r\nCQSOP=9 \r\r\n[Remarks]\n[73] thanks\nCQSOP=77\n[QSORecords]\n"
       "1;2;A;1;59;1;59;1;;JO65ER;;;;;\n",
       "[REG1TEST;1]\r\r\nPWWLo=JO65FR\r\r\nCQSOs=1;1;x\r\r\nCQSOP=6 \r\r\n[Remarks]\n[73] thanks\nCQSOP=77\n[QSORecords;1]\n"
       "1;2;A;1;59;1;59;1;;JO65ER;6;;;;\n", 1, 0},
      {"mixed line ends, invalid QSOs", "[REG1TEST;1]\nPWWLo=JO65FR\r\n[QSORecords;4]\n"
       "1;2;ERROR;1;59;1;59;1;;JO42LT;396;;;;\r\n1;2;A;1;59;1;59;1;;JO42;5;;;;\n1;2;B;1;59;1;59;1;;JO42LT;396;;;;D\n"
       "short;line\n",
       "[REG1TEST;1]\nPWWLo=JO65FR\r\n[QSORecords;4]\n"
       "1;2;ERROR;1;59;1;59;1;;JO42LT;0;;;;\r\n1;2;A;1;59;1;59;1;;JO42;0;;;;\n1;2;B;1;59;1;59;1;;JO42LT;0;;;;D\n"
       "short;line\n", 3, 1},
      {"no last line end", "[REG1TEST;1]\nPWWLo=JO65FR\n[QSORecords;1]\n1;2;A;1;59;1;59;1;;JO65FR;;;;;",
       "[REG1TEST;1]\nPWWLo=JO65FR\n[QSORecords;1]\n1;2;A;1;59;1;59;1;;JO65FR;1;;;;", 1, 0},
  };
  for (const auto& c : cases) {
    const Passed filled = Passes(c.before, true);
    EXPECT_EQ(filled.output, c.after) << c.name;
    EXPECT_EQ(filled.totals.qsos, c.qsos) << c.name;
    EXPECT_EQ(filled.totals.unreadable, c.unreadable) << c.name << filled.warnings;
    EXPECT_EQ(Passes(c.before, false).output, c.before) << c.name;  // checking copies
    EXPECT_EQ(Passes(filled.output, true).output, filled.output) << c.name;  // a second fill is a no-op
  }
}

// What a first pass finds in logs that are not what they claim to be.
TEST(EdiPass, WhatTheLogSays) {
  const std::string head = "[REG1TEST;1]\nPWWLo=JO65FR\n";
  const std::string qso = "1;2;A;1;59;1;59;1;;JO42LT;396;;;;\n";
  const struct {
    const char* name;
    std::string log;
    long qsos, records, stray;
    const char* declared;  // "-": no [QSORecords] line
    bool tooLarge, crOnly;
  } cases[] = {
      {"misspelt section", head + "[QSORecord;1]\n" + qso, 0, 0, 1, "-", false, false},
      {"no section after remarks", head + "[Remarks]\n" + qso + qso, 0, 0, 2, "-", false, false},
      {"empty and unreadable records", head + "[QSORecords;3]\n" + qso + ";;;;;;;;;;;;;;\nx;y\n", 1, 3, 0, "3", false, false},
      {"count not a number", head + "[QSORecords;7x]\n" + qso, 1, 1, 0, "7x", false, false},
      {"15-digit multiplier", head + "CQSOs=1;123456789012345\n[QSORecords;1]\n" + qso, 1, 1, 0, "1", true, false},
      {"CR alone", "[REG1TEST;1]\rPWWLo=JO65FR\r", 0, 0, 0, "-", false, true},
      {"a line of 200,000 bytes", head + "[QSORecords;2]\n" + std::string(200000, 'x') + "\n" + qso, 1, 2, 0, "2", false,
       false},
  };
  for (const auto& c : cases) {
    const Totals t = Passes(c.log, false).totals;
    EXPECT_EQ(t.qsos, c.qsos) << c.name;
    EXPECT_EQ(Records(t), c.records) << c.name;
    EXPECT_EQ(t.strayQsoLines, c.stray) << c.name;
    EXPECT_EQ(t.declaredRecordsText.value_or("-"), c.declared) << c.name;
    EXPECT_EQ(t.multiplierTooLarge, c.tooLarge) << c.name;
    EXPECT_EQ(t.crOnlyLineEnds, c.crOnly) << c.name;
  }
  // Line numbers after a very long line stay true, however it arrives.
  for (std::size_t piece : {std::size_t(4096), cases[6].log.size()}) {
    long line = 0;
    Pass pass({nullptr, [&](const Qso& q) { line = q.line; }, nullptr}, 0, std::nullopt);
    for (std::size_t at = 0; at < cases[6].log.size(); at += piece) pass.Feed(std::string_view(cases[6].log).substr(at, piece));
    pass.Finish();
    EXPECT_EQ(line, 5) << piece;
  }
  // Claims too long to be points are no claims; the totals stay whole.
  const Totals huge = Passes(head + "[QSORecords;1]\n1;2;A;1;59;1;59;1;;JO42LT;99999999999999;;;;\n", false).totals;
  EXPECT_EQ(huge.claimedTotal, 0);
  EXPECT_EQ(huge.differ, 1);
}

TEST(EdiPass, BestDxAndBands) {
  Totals t;
  t.bestKm = 1301.6;
  t.bestCall = "TF3XYZ";
  t.bestLocator = "IP62OA";
  for (const auto& [codxc, agrees] : {std::pair{"TF3XYZ;IP62OA;1301", true}, {"tf3xyz;ip62oa;1302", true},
                                      {"TF3XYZ;IP62OA;1300", false}, {"TF3XYZ;IP62OA;1303", false},
                                      {"DL1ABC;IP62OA;1302", false}, {"TF3XYZ;IP62OB;1302", false}, {"", false}}) {
    t.codxc = codxc;
    EXPECT_EQ(CodxcAgrees(t), agrees) << codxc;
    EXPECT_EQ(FilledHeader(t).codxc, agrees ? "" : "TF3XYZ;IP62OA;1302") << codxc;
  }
  for (const auto& [band, above] : {std::pair{"24 GHz", true}, {"10 GHz", false}, {"10,368 GHz", true}, {"47GHz", true},
                                    {"24048 MHz", true}, {"432 MHz", false}, {"1,3 GHz", false}, {"", false}, {"x", false}})
    EXPECT_EQ(AboveTenGigahertz(band), above) << band;
}

TEST(EdiPass, MultiplierAndTotals) {
  const std::string log = kHeader + "[QSORecords;3]\r\n" + kQsos;
  const Passed one = Passes(log, false);
  EXPECT_EQ(one.totals.computedTotal, 1704);
  EXPECT_EQ(one.totals.agree, 1);
  EXPECT_EQ(one.totals.differ, 2);  // an empty claim and a wrong one
  EXPECT_EQ(one.totals.claimedTotal, 1311);
  EXPECT_EQ(one.totals.bestLocator, "IP62OA");
  std::string doubled = log;
  doubled.replace(doubled.find("CQSOs=3;1"), 9, "CQSOs=3,2");  // some programs write a comma
  EXPECT_EQ(Passes(doubled, false).totals.computedTotal, 3408);
  std::string comma = log;  // the count filled, the comma and multiplier kept
  comma.replace(comma.find("CQSOs=3;1"), 9, "CQSOs=5,1");
  EXPECT_NE(Passes(comma, true).output.find("CQSOs=3,1\r\n"), std::string::npos);
  EXPECT_EQ(Passes(log, false, 3).totals.computedTotal, 5112);  // --band-multiplier
  std::string bonus = log;
  bonus.insert(bonus.find("CToSc"), "CWWLs=3;500;1\r\nCWWLB=1500\r\n");
  const Passed withBonus = Passes(bonus, true);
  EXPECT_NE(withBonus.output.find("CToSc=1\r\n"), std::string::npos);  // a total with bonuses is not ours
  EXPECT_NE(withBonus.output.find("CQSOP=1704\r\n"), std::string::npos);
  std::string unreadableBonus = log;  // a bonus that is not a number is no bonus
  unreadableBonus.insert(unreadableBonus.find("CToSc"), "CWWLB=abc\r\n");
  EXPECT_NE(Passes(unreadableBonus, true).output.find("CToSc=1704\r\n"), std::string::npos);
  std::string multiplierOnly = log;  // CWWLs=3;0;1: a multiplier of 1, not a bonus
  multiplierOnly.insert(multiplierOnly.find("CToSc"), "CWWLs=3;0;1\r\n");
  EXPECT_NE(Passes(multiplierOnly, true).output.find("CToSc=1704\r\n"), std::string::npos);
}

}  // namespace
}  // namespace morvane::edi
