#include "contest/section.h"

#include <algorithm>
#include <vector>

#include "locator/ascii.h"

namespace morvane::contest {

std::string SectionOf(std::string_view psect) {
  // Words of letters and digits, upper case; "SINGLE-OP" and "SINGLEOP" alike.
  std::vector<std::string> words(1);
  for (const char c : psect) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) words.back() += Upper(c);
    else if (!words.back().empty()) words.emplace_back();
  }
  std::string joined;
  for (const std::string& w : words) joined += w;
  const auto has = [&](std::string_view w) { return std::find(words.begin(), words.end(), w) != words.end(); };
  const auto starts = [&](std::string_view p) { return joined.rfind(p, 0) == 0; };
  if (joined.find("CHECK") != std::string::npos) return "CHECK";
  if (has("SO") || has("SOP") || has("SOSB") || starts("SINGLE")) return "SINGLE";
  if (has("MO") || has("MOP") || has("MOSB") || starts("MULTI")) return "MULTI";
  return {};
}

}  // namespace morvane::contest
