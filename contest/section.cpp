#include "contest/section.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "locator/ascii.h"

namespace morvane::contest {
namespace {

// Words of letters and digits, upper case (and * in a pattern), so that
// "SINGLE-OP" and "SINGLEOP" are alike.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words(1);
  for (const char c : text) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '*') words.back() += Upper(c);
    else if (!words.back().empty()) words.emplace_back();
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

// Whether text matches a pattern in which * stands for any letters: the
// greedy match that returns to the last star, so a long PSect from a broken
// log costs the length times the pattern's, never more.
bool Glob(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

const std::vector<SectionRule>& DefaultSections() {
  static const std::vector<SectionRule> sections = {
      {"CHECK", {"*CHECK*"}, false, false},
      {"SINGLE", {"SO", "SOP", "SOSB", "SINGLE*"}, true, false},
      {"MULTI", {"MO", "MOP", "MOSB", "MULTI*"}, true, false},
  };
  return sections;
}

const SectionRule* SectionOf(std::string_view psect, const std::vector<SectionRule>& sections) {
  const std::vector<std::string> words = Words(psect);
  std::string joined;
  for (const std::string& w : words) joined += w;
  for (const SectionRule& section : sections)
    for (const std::string& raw : section.psect) {
      std::string pattern;
      for (const std::string& w : Words(raw)) pattern += w;
      if (pattern.empty()) continue;
      const bool word = std::find(words.begin(), words.end(), pattern) != words.end();
      if (word || Glob(pattern, joined)) return &section;
    }
  return nullptr;
}

std::vector<BandsTotal> SumBands(const std::vector<Log>& logs, const Result& result,
                                 const std::vector<SectionRule>& sections) {
  std::vector<BandsTotal> totals;
  std::map<std::tuple<long, const SectionRule*, std::string>, std::size_t> at;  // day, section, station
  for (const Set& set : result.sets)  // in band order
    for (int i : set.logs) {
      const SectionRule* section = SectionOf(logs[i].section, sections);
      if (!section || !section->allBands || result.supersededBy[i] >= 0) continue;
      const auto [it, fresh] = at.emplace(std::tuple{set.firstDay, section, logs[i].station}, totals.size());
      if (fresh) totals.push_back({logs[i].call, logs[i].locator, section->name, {}, set.firstDay});
      BandsTotal& t = totals[it->second];
      const Score& s = result.scores[i];
      t.logs.push_back(i);
      t.qsos += s.lines;
      t.claimed += s.claimed;
      t.checked += s.checked;
      t.penalty += s.penalty;
      t.total += s.total;
    }
  std::stable_sort(totals.begin(), totals.end(), [](const BandsTotal& a, const BandsTotal& b) {
    return std::tie(a.day, a.section, b.total) < std::tie(b.day, b.section, a.total);
  });
  return totals;
}

}  // namespace morvane::contest
