// The section a log entered, from PSect as loggers write it ("SO",
// "Single op", "SINGLE-OP", "6 - SOP", "MO", "CHECK LOG", "CHECKLOG" ...):
// logs are ranked within their section, and check logs never. A contest's
// rules may define its own sections (a rules file's [[section]] tables).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "contest/crosscheck.h"

namespace morvane::contest {

struct SectionRule {
  std::string name;  // as the results show it
  // What PSect may hold, matched on its letters and digits in upper case:
  // a word of it ("SO" in "6 - SO"), or with * for any letters, the whole
  // of it ("SINGLE*" for "Single-op", "*CHECK*" for "checklog").
  std::vector<std::string> psect;
  bool ranked = true;  // false: check logs, listed and never ranked
  // Also ranked on all bands together: a station's totals (each with its
  // band's multiplier) summed over the bands it sent logs for.
  bool allBands = false;
};

// IARU Region 1's sections and the check log: CHECK, SINGLE, MULTI.
const std::vector<SectionRule>& DefaultSections();

// The first section one of whose patterns PSect matches; nullptr for none.
const SectionRule* SectionOf(std::string_view psect, const std::vector<SectionRule>& sections = DefaultSections());

// A station's logs of one contest date and one all-bands section, summed.
struct BandsTotal {
  std::string call, locator, section;  // as its first band's log gives them
  std::vector<int> logs;               // its logs, in band order
  long day = 0;                        // the contest's date, days since 2000-01-01
  long qsos = 0, claimed = 0, checked = 0, penalty = 0, total = 0;
};

// The all-bands results: for each contest date and each section ranked on
// all bands, its stations' totals over their bands, highest first.
// Superseded logs and logs of no such section take no part.
std::vector<BandsTotal> SumBands(const std::vector<Log>& logs, const Result& result,
                                 const std::vector<SectionRule>& sections);

}  // namespace morvane::contest
